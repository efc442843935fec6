// A small stand-in for the three encoder programs, for tests. Copied into a kit's bin
// folder as sox.exe, WMAEncode.exe and AdpcmEncode.exe, it acts by the name it was
// started under:
//   sox.exe IN -r RATE OUT resample           a 16-bit PCM wave at RATE of the same duration
//   AdpcmEncode.exe -b 512 -f 16 IN OUT       a Microsoft ADPCM wave of the same length, with
//                                             a LIST chunk behind the data chunk
//   WMAEncode.exe -b 96000 IN OUT             an XWMA file with a dpds table
// Every start appends "NAME<TAB>ARG<TAB>ARG..." to fake_encoder.log in the current folder;
// other names exit with 2. fake_encoder.cfg in the current folder changes what it does, one
// rule per line:
//   fail PROGRAM [TEXT]      exit 1 (for inputs containing TEXT, when given)
//   silent PROGRAM [TEXT]    exit 0 without writing anything (the same way)
//   sleep MILLISECONDS [TEXT]  wait before doing anything else (for arguments containing
//                            TEXT, when given)
//   stall LAUNCH             at the LAUNCH-th start counted in fake_encoder.log, create
//                            fake_encoder.stalled and wait (at most ten minutes) to be killed
#include "tests/support/riff_builder.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace
{
struct Rule
{
    std::string verb, program, text;
};

bool HasRule(const std::vector<Rule> &rules, const char *verb, const std::string &program,
             const std::string &input)
{
    for (const Rule &rule : rules)
        if (rule.verb == verb && rule.program == program &&
            (rule.text.empty() || input.find(rule.text) != std::string::npos))
            return true;
    return false;
}

struct Wave
{
    uint16_t channels = 0, bits = 0;
    uint32_t rate = 0;
    std::string samples;
    size_t Frames() const { return samples.size() / (size_t(channels) * (bits / 8)); }
};

bool ReadWave(std::string path, Wave *wave)
{
    for (char &c : path)
        if (c == '\\')
            c = '/';
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    RiffRead riff = ReadRiff(content.str());
    const std::string &fmt = riff.chunks["fmt "];
    if (riff.form != "WAVE" || fmt.size() < 16 || riff.chunks.count("data") == 0)
        return false;
    wave->channels = uint16_t(ReadLittle(fmt, 2, 2));
    wave->rate = ReadLittle(fmt, 4, 4);
    wave->bits = uint16_t(ReadLittle(fmt, 14, 2));
    wave->samples = riff.chunks["data"];
    return wave->channels > 0 && wave->bits >= 8;
}

std::string Resample(const Wave &in, uint32_t rate)
{
    size_t frames = size_t(uint64_t(in.Frames()) * rate / (in.rate > 0 ? in.rate : 1));
    return RiffChunk("fmt ", PcmFormat(in.channels, rate)) +
           RiffChunk("data", SampleBytes(frames * in.channels * 2));
}

std::string Adpcm(const Wave &in, uint16_t blockAlign)
{
    uint16_t perBlock = uint16_t((blockAlign - 7 * in.channels) * 2 / in.channels + 2);
    size_t blocks = (in.Frames() + perBlock - 1) / perBlock;
    return RiffChunk("fmt ", AdpcmFormat(in.channels, in.rate, blockAlign, perBlock)) +
           RiffChunk("fact", LittleU32(uint32_t(in.Frames()))) +
           RiffChunk("data", std::string(blocks * blockAlign, '\x11')) +
           RiffChunk("LIST", "INFOtrailing");
}

std::string Xwma(const Wave &in)
{
    uint32_t decodedBytes = uint32_t(in.Frames() * in.channels * 2);
    const uint32_t perPacket = 4096 * in.channels;
    size_t packets = decodedBytes == 0 ? 1 : (decodedBytes + perPacket - 1) / perPacket;
    std::string dpds;
    for (size_t i = 1; i <= packets; ++i)
        dpds += LittleU32(i == packets ? decodedBytes : uint32_t(i * perPacket));
    return RiffChunk("fmt ",
                     WaveFormat(0x161, in.channels, in.rate, 12000, 2048, 16) + LittleU16(0)) +
           RiffChunk("dpds", dpds) + RiffChunk("data", std::string(packets * 2048, '\x22'));
}
} // namespace

int main(int argc, char **argv)
{
    std::string program = argv[0];
    program = program.substr(program.find_last_of("/\\") + 1);
    const std::vector<std::string> args(argv + 1, argv + argc);
    {
        std::ofstream log("fake_encoder.log", std::ios::app);
        log << program;
        for (const std::string &arg : args)
            log << '\t' << arg;
        log << '\n';
    }

    std::vector<Rule> rules;
    std::ifstream config("fake_encoder.cfg");
    for (std::string line; std::getline(config, line);)
    {
        std::istringstream words(line);
        Rule rule;
        words >> rule.verb >> rule.program;
        std::getline(words >> std::ws, rule.text);
        rules.push_back(rule);
    }
    int starts = 0; // the starts logged so far, this one included
    std::ifstream log("fake_encoder.log");
    for (std::string line; std::getline(log, line);)
        ++starts;
    std::string joined; // every argument, for the texts of sleep rules
    for (const std::string &arg : args)
        joined += arg + '\t';
    for (const Rule &rule : rules)
        if (rule.verb == "sleep" && joined.find(rule.text) != std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(rule.program.c_str())));
    for (const Rule &rule : rules)
        if (rule.verb == "stall" && rule.program == std::to_string(starts))
        {
            std::ofstream("fake_encoder.stalled") << program << '\n';
            std::this_thread::sleep_for(std::chrono::minutes(10));
            return 5;
        }

    std::string input, output;
    if (program == "sox.exe" && args.size() == 5 && args[1] == "-r" && args[4] == "resample")
        std::tie(input, output) = std::make_pair(args[0], args[3]);
    else if (program == "AdpcmEncode.exe" && args.size() == 6 && args[0] == "-b" && args[2] == "-f")
        std::tie(input, output) = std::make_pair(args[4], args[5]);
    else if (program == "WMAEncode.exe" && args.size() == 4 && args[0] == "-b")
        std::tie(input, output) = std::make_pair(args[2], args[3]);
    else
    {
        fprintf(stderr, "fake_encoder: unexpected arguments for %s\n", program.c_str());
        return 2;
    }
    if (HasRule(rules, "fail", program, input))
        return 1;
    if (HasRule(rules, "silent", program, input))
        return 0;

    Wave wave;
    if (!ReadWave(input, &wave))
    {
        fprintf(stderr, "fake_encoder: cannot read %s\n", input.c_str());
        return 3;
    }
    std::string chunks = program == "sox.exe"         ? Resample(wave, std::stoul(args[2]))
                         : program == "WMAEncode.exe" ? Xwma(wave)
                                                      : Adpcm(wave, uint16_t(std::stoul(args[1])));
    std::string bytes = RiffImage(program == "WMAEncode.exe" ? "XWMA" : "WAVE", {chunks});
    for (char &c : output)
        if (c == '\\')
            c = '/';
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return out ? 0 : 4;
}
