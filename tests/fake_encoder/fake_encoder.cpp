// A small stand-in for the three encoder programs, for tests. Copied into a kit's bin
// folder as sox.exe, WMAEncode.exe and AdpcmEncode.exe, it acts by the name it was
// started under:
//   sox.exe IN -r RATE OUT resample           a 16-bit PCM wave at RATE (nearest sample)
//   AdpcmEncode.exe -b 512 -f 16 IN OUT       a Microsoft ADPCM wave of the same length
//   WMAEncode.exe -b 96000 IN OUT             an XWMA file with a dpds table
// Every start appends "NAME<TAB>ARG<TAB>ARG..." to fake_encoder.log in the current folder.
// fake_encoder.cfg in the current folder changes what it does, one rule per line:
//   fail PROGRAM [TEXT]      exit 1 (for inputs containing TEXT, when given)
//   garbage PROGRAM [TEXT]   write a file that is not RIFF and exit 0
//   trailer PROGRAM [TEXT]   append a LIST chunk after the data chunk
//   sleep MILLISECONDS       wait before writing the output
//   stall LAUNCH             at the LAUNCH-th start counted in fake_encoder.log, create
//                            fake_encoder.stalled and wait (at most ten minutes) to be killed
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
std::string BaseName(std::string path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HostPath(std::string path)
{
    for (char &c : path)
        if (c == '\\')
            c = '/';
    return path;
}

struct Rule
{
    std::string verb;
    std::string program;
    std::string text;
};

std::vector<Rule> ReadRules()
{
    std::vector<Rule> rules;
    std::ifstream in("fake_encoder.cfg");
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream words(line);
        Rule rule;
        words >> rule.verb >> rule.program;
        std::getline(words >> std::ws, rule.text);
        if (!rule.verb.empty())
            rules.push_back(rule);
    }
    return rules;
}

bool HasRule(const std::vector<Rule> &rules, const char *verb, const std::string &program, const std::string &input)
{
    for (const Rule &rule : rules)
        if (rule.verb == verb && rule.program == program &&
            (rule.text.empty() || input.find(rule.text) != std::string::npos))
            return true;
    return false;
}

void Put16(std::string &out, uint16_t v)
{
    out += char(v & 0xff);
    out += char(v >> 8);
}
void Put32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xff);
}
uint16_t Get16(const std::string &s, size_t at) { return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8)); }
uint32_t Get32(const std::string &s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | (uint32_t(uint8_t(s[at + 1])) << 8) | (uint32_t(uint8_t(s[at + 2])) << 16) |
           (uint32_t(uint8_t(s[at + 3])) << 24);
}

struct Wave
{
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t bits = 0;
    std::string samples;
};

bool ReadWave(const std::string &path, Wave *wave)
{
    std::ifstream in(HostPath(path), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string s = content.str();
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0 || s.compare(8, 4, "WAVE") != 0)
        return false;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= s.size();)
    {
        uint32_t size = Get32(s, at + 4);
        if (s.compare(at, 4, "fmt ") == 0 && at + 24 <= s.size())
        {
            wave->channels = Get16(s, at + 10);
            wave->rate = Get32(s, at + 12);
            wave->bits = Get16(s, at + 22);
            haveFormat = true;
        }
        else if (s.compare(at, 4, "data") == 0)
        {
            wave->samples = s.substr(at + 8, size);
            return haveFormat && wave->channels > 0 && wave->bits > 0;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

std::string Chunk(const char *code, const std::string &payload)
{
    std::string out(code, 4);
    Put32(out, uint32_t(payload.size()));
    out += payload;
    if (payload.size() & 1)
        out += '\0';
    return out;
}

std::string Riff(const char *form, const std::string &chunks)
{
    std::string out("RIFF");
    Put32(out, uint32_t(4 + chunks.size()));
    out += form;
    out += chunks;
    return out;
}

std::string PcmFormat(uint16_t channels, uint32_t rate)
{
    std::string f;
    Put16(f, 1);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * channels * 2);
    Put16(f, uint16_t(channels * 2));
    Put16(f, 16);
    return f;
}

std::string Resample(const Wave &in, uint32_t rate)
{
    size_t frameBytes = size_t(in.channels) * (in.bits / 8);
    size_t frames = frameBytes ? in.samples.size() / frameBytes : 0;
    size_t outFrames = size_t(uint64_t(frames) * rate / (in.rate ? in.rate : 1));
    std::string data;
    for (size_t i = 0; i < outFrames; ++i)
    {
        size_t from = size_t(uint64_t(i) * in.rate / rate);
        for (uint16_t c = 0; c < in.channels; ++c)
        {
            size_t at = from * frameBytes + c * (in.bits / 8);
            int16_t v = 0;
            if (in.bits == 16 && at + 1 < in.samples.size())
                v = int16_t(Get16(in.samples, at));
            Put16(data, uint16_t(v));
        }
    }
    return Chunk("fmt ", PcmFormat(in.channels, rate)) + Chunk("data", data);
}

std::string Adpcm(const Wave &in, uint16_t blockAlign)
{
    uint16_t channels = in.channels;
    uint16_t samplesPerBlock = uint16_t((blockAlign - 7 * channels) * 8 / (4 * channels) + 2);
    size_t frames = in.samples.size() / (size_t(channels) * (in.bits / 8));
    size_t blocks = (frames + samplesPerBlock - 1) / samplesPerBlock;
    static const int16_t coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    std::string f;
    Put16(f, 2);
    Put16(f, channels);
    Put32(f, in.rate);
    Put32(f, uint32_t(uint64_t(in.rate) * blockAlign / samplesPerBlock));
    Put16(f, blockAlign);
    Put16(f, 4);
    Put16(f, 32);
    Put16(f, samplesPerBlock);
    Put16(f, 7);
    for (auto &pair : coefficients)
    {
        Put16(f, uint16_t(pair[0]));
        Put16(f, uint16_t(pair[1]));
    }
    std::string fact;
    Put32(fact, uint32_t(frames));
    return Chunk("fmt ", f) + Chunk("fact", fact) + Chunk("data", std::string(blocks * blockAlign, '\x11'));
}

std::string Xwma(const Wave &in)
{
    uint16_t channels = in.channels;
    size_t frames = in.samples.size() / (size_t(channels) * (in.bits / 8));
    uint32_t decodedBytes = uint32_t(frames * channels * 2);
    const uint32_t packetSize = 2048;
    const uint32_t perPacket = 4096 * channels;
    size_t packets = (decodedBytes + perPacket - 1) / perPacket;
    if (packets == 0)
        packets = 1;
    std::string f;
    Put16(f, 0x161);
    Put16(f, channels);
    Put32(f, in.rate);
    Put32(f, 12000);
    Put16(f, uint16_t(packetSize));
    Put16(f, 16);
    Put16(f, 0);
    std::string dpds;
    for (size_t i = 1; i <= packets; ++i)
        Put32(dpds, i == packets ? decodedBytes : uint32_t(i * perPacket));
    return Chunk("fmt ", f) + Chunk("dpds", dpds) + Chunk("data", std::string(packets * packetSize, '\x22'));
}

// The number of lines in fake_encoder.log: the starts logged so far, this one included.
int LoggedStarts()
{
    std::ifstream in("fake_encoder.log");
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}
} // namespace

int main(int argc, char **argv)
{
    std::string program = BaseName(argv[0]);
    {
        std::ofstream log("fake_encoder.log", std::ios::app);
        log << program;
        for (int i = 1; i < argc; ++i)
            log << '\t' << argv[i];
        log << '\n';
    }
    std::vector<Rule> rules = ReadRules();
    for (const Rule &rule : rules)
        if (rule.verb == "stall" && std::stoi(rule.program) == LoggedStarts())
        {
            std::ofstream("fake_encoder.stalled") << program << '\n';
            std::this_thread::sleep_for(std::chrono::minutes(10));
            return 5;
        }

    std::string input, output, rate;
    if (program == "sox.exe" && argc == 6 && std::string(argv[2]) == "-r" && std::string(argv[5]) == "resample")
    {
        input = argv[1];
        rate = argv[3];
        output = argv[4];
    }
    else if (program == "AdpcmEncode.exe" && argc == 7 && std::string(argv[1]) == "-b" && std::string(argv[3]) == "-f")
    {
        input = argv[5];
        output = argv[6];
    }
    else if (program == "WMAEncode.exe" && argc == 5 && std::string(argv[1]) == "-b")
    {
        input = argv[3];
        output = argv[4];
    }
    else
    {
        fprintf(stderr, "fake_encoder: unexpected arguments for %s\n", program.c_str());
        return 2;
    }

    for (const Rule &rule : rules)
        if (rule.verb == "sleep")
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(rule.program)));
    if (HasRule(rules, "fail", program, input))
        return 1;

    std::string bytes;
    if (HasRule(rules, "garbage", program, input))
        bytes = "this is not a RIFF file";
    else
    {
        Wave wave;
        if (!ReadWave(input, &wave))
        {
            fprintf(stderr, "fake_encoder: cannot read %s\n", input.c_str());
            return 3;
        }
        std::string chunks;
        if (program == "sox.exe")
            chunks = Resample(wave, uint32_t(std::stoul(rate)));
        else if (program == "AdpcmEncode.exe")
            chunks = Adpcm(wave, uint16_t(std::stoul(argv[2])));
        else
            chunks = Xwma(wave);
        if (HasRule(rules, "trailer", program, input))
            chunks += Chunk("LIST", "INFOtrailing");
        bytes = Riff(program == "WMAEncode.exe" ? "XWMA" : "WAVE", chunks);
    }
    std::ofstream out(HostPath(output), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return out ? 0 : 4;
}
