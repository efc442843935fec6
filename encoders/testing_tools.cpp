// Tools of the encoder tests: running the programs, independent decoders
// (ffmpeg as a child process, libsndfile), a plain RIFF chunk view and signal measures.
#include "encoders/testing_tools.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const kSoxProgram = ENC_SOX_PROGRAM;
const char *const kAdpcmProgram = ENC_ADPCM_PROGRAM;
const char *const kWmaProgram = ENC_WMA_PROGRAM;

ProcessResult Test_Run(const std::vector<std::string> &argv)
{
    // env finds a bare program name in PATH, as a shell would.
    return RunProcess("/usr/bin/env", argv, "/");
}

std::vector<unsigned char> Test_ReadBytes(const std::string &path)
{
    std::string bytes = ReadFile(path);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

bool Test_DecodeFfmpeg(const std::string &path, TestDecoded &decoded, std::string &why)
{
    decoded = TestDecoded();
    ProcessResult probe =
        Test_Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                  "stream=sample_rate,channels", "-of", "default=noprint_wrappers=1", path});
    if (probe.status != 0)
    {
        why = "ffprobe: " + probe.err;
        return false;
    }
    std::sscanf(probe.out.c_str() + probe.out.find("sample_rate="), "sample_rate=%d",
                &decoded.rate);
    std::sscanf(probe.out.c_str() + probe.out.find("channels="), "channels=%d", &decoded.channels);

    ProcessResult run = Test_Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "s16le",
                                  "-acodec", "pcm_s16le", "-"});
    const std::string &raw = run.out;
    if (run.status != 0 || decoded.rate <= 0 || decoded.channels <= 0)
    {
        why = "ffmpeg: " + run.err;
        return false;
    }
    decoded.samples.resize(raw.size() / 2);
    for (size_t i = 0; i < decoded.samples.size(); ++i)
        decoded.samples[i] = int16_t(uint8_t(raw[2 * i]) | (uint8_t(raw[2 * i + 1]) << 8));
    return true;
}

long long Test_ProbeFrames(const std::string &path)
{
    ProcessResult probe =
        Test_Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                  "stream=duration_ts", "-of", "default=noprint_wrappers=1:nokey=1", path});
    long long frames = -1;
    if (probe.status != 0 || std::sscanf(probe.out.c_str(), "%lld", &frames) != 1)
        return -1;
    return frames;
}

bool Test_DecodeSndfile(const std::string &path, TestDecoded &decoded, std::string &why)
{
    decoded = TestDecoded();
    SF_INFO info = {};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
    {
        why = std::string("libsndfile: ") + sf_strerror(nullptr);
        return false;
    }
    decoded.rate = info.samplerate;
    decoded.channels = info.channels;
    decoded.samples.resize(size_t(info.frames) * info.channels);
    sf_count_t got = sf_readf_short(file, decoded.samples.data(), info.frames);
    sf_close(file);
    decoded.samples.resize(size_t(got) * info.channels);
    return true;
}

bool Test_ReadSndfileFloat(const std::string &path, TestSignal &signal)
{
    SF_INFO info = {};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    signal.rate = uint32_t(info.samplerate);
    signal.channels = info.channels;
    signal.samples.resize(size_t(info.frames) * info.channels);
    sf_count_t got = sf_readf_float(file, signal.samples.data(), info.frames);
    sf_close(file);
    return got == info.frames;
}

uint16_t Test_U16(const std::vector<unsigned char> &bytes, size_t at)
{
    return at + 2 <= bytes.size() ? uint16_t(bytes[at] | (bytes[at + 1] << 8)) : 0;
}

uint32_t Test_U32(const std::vector<unsigned char> &bytes, size_t at)
{
    return at + 4 <= bytes.size()
               ? uint32_t(Test_U16(bytes, at)) | (uint32_t(Test_U16(bytes, at + 2)) << 16)
               : 0;
}

TestRiff Test_ParseRiff(const std::vector<unsigned char> &image)
{
    TestRiff riff;
    if (image.size() < 12 || std::memcmp(image.data(), "RIFF", 4) != 0)
        return riff;
    riff.form.assign(image.begin() + 8, image.begin() + 12);
    size_t pos = 12;
    while (pos + 8 <= image.size())
    {
        std::string code(image.begin() + long(pos), image.begin() + long(pos) + 4);
        size_t size = Test_U32(image, pos + 4);
        if (pos + 8 + size > image.size())
            return riff;
        riff.order.push_back(code);
        if (!riff.chunks.count(code))
            riff.chunks[code].assign(image.begin() + long(pos) + 8,
                                     image.begin() + long(pos + 8 + size));
        pos += 8 + size + (size & 1);
    }
    riff.wellFormed = pos == image.size() && Test_U32(image, 4) == image.size() - 8;
    return riff;
}

long long Test_ToolFrameCount(const TestRiff &riff)
{
    auto fmt = riff.chunks.find("fmt ");
    auto data = riff.chunks.find("data");
    if (fmt == riff.chunks.end() || data == riff.chunks.end() || fmt->second.size() < 16)
        return -1;
    const std::vector<unsigned char> &f = fmt->second;
    uint64_t dataSize = (data->second.size() + 1) & ~size_t(1);
    uint16_t tag = Test_U16(f, 0), channels = Test_U16(f, 2), blockAlign = Test_U16(f, 12),
             bits = Test_U16(f, 14);
    uint64_t bytes;
    if (tag == 1)
    {
        bytes = dataSize;
    }
    else if (tag == 2)
    {
        bytes = dataSize / blockAlign * Test_U16(f, 18) * bits * channels / 8;
    }
    else if (tag == 353)
    {
        auto dpds = riff.chunks.find("dpds");
        if (dpds == riff.chunks.end() || dpds->second.size() < 4)
            return -1;
        bytes = Test_U32(dpds->second, dpds->second.size() - 4);
    }
    else
    {
        return -1;
    }
    if (channels == 0 || bits == 0)
        return 0;
    return (long long)(uint32_t(bytes * 8 / (channels * bits)));
}

double Test_SnrDb(const std::vector<float> &reference, const std::vector<int16_t> &decoded,
                  int channels, size_t from, size_t count, long shift)
{
    double signal = 0, noise = 0;
    for (size_t f = from; f < from + count; ++f)
    {
        long g = long(f) + shift;
        for (int c = 0; c < channels; ++c)
        {
            double r = reference[f * channels + c];
            double d = 0;
            if (g >= 0 && size_t(g) * channels + c < decoded.size())
                d = decoded[size_t(g) * channels + c] / 32768.0;
            signal += r * r;
            noise += (r - d) * (r - d);
        }
    }
    return 10 * std::log10(signal / std::max(noise, 1e-20));
}

long Test_BestShift(const std::vector<float> &reference, const std::vector<int16_t> &decoded,
                    int channels, size_t from, size_t count, long range)
{
    long best = 0;
    double bestSum = -1e300;
    for (long shift = -range; shift <= range; ++shift)
    {
        double sum = 0;
        for (size_t f = from; f < from + count; ++f)
        {
            long g = long(f) + shift;
            if (g >= 0 && size_t(g) * channels < decoded.size())
                sum += reference[f * channels] * decoded[size_t(g) * channels];
        }
        if (sum > bestSum)
        {
            bestSum = sum;
            best = shift;
        }
    }
    return best;
}

double Test_LevelDb(const std::vector<int16_t> &decoded, int channels, size_t from, size_t end)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = from * channels; i < end * channels && i < decoded.size(); ++i, ++n)
        sum += (decoded[i] / 32768.0) * (decoded[i] / 32768.0);
    return n ? 10 * std::log10(std::max(sum / n, 1e-20)) : -200.0;
}
