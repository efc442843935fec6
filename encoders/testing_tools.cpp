// Tools of the encoder tests: running the programs, independent decoders
// (ffmpeg as a child process, libsndfile) and signal measures.
#include "encoders/testing_tools.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

const char *const kSoxProgram = ENC_SOX_PROGRAM;
const char *const kAdpcmProgram = ENC_ADPCM_PROGRAM;
const char *const kWmaProgram = ENC_WMA_PROGRAM;

ProcessResult Test_Run(const std::vector<std::string> &argv)
{
    // env finds a bare program name in PATH, as a shell would.
    return RunProcess("/usr/bin/env", argv, "/");
}

bool Test_DecodeFfmpeg(const std::string &path, int channels, TestDecoded &decoded,
                       std::string &why)
{
    decoded = TestDecoded{channels, {}};
    ProcessResult run = Test_Run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "s16le",
                                  "-acodec", "pcm_s16le", "-"});
    if (run.status != 0)
    {
        why = "ffmpeg: " + run.err;
        return false;
    }
    decoded.samples.resize(run.out.size() / 2);
    for (size_t i = 0; i < decoded.samples.size(); ++i)
        decoded.samples[i] = int16_t(ReadLittle(run.out, 2 * i, 2));
    return true;
}

std::string Test_Probe(const std::string &path)
{
    ProcessResult run =
        Test_Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                  "stream=codec_name,sample_rate,channels,duration_ts", "-of", "csv=p=0", path});
    return run.out + run.err;
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
    decoded.channels = info.channels;
    decoded.samples.resize(size_t(info.frames) * info.channels);
    sf_count_t got = sf_readf_short(file, decoded.samples.data(), info.frames);
    sf_close(file);
    decoded.samples.resize(size_t(got) * info.channels);
    return true;
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

double Test_LevelDb(const std::vector<int16_t> &decoded, int channels, size_t from, size_t end)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = from * channels; i < end * channels && i < decoded.size(); ++i, ++n)
        sum += (decoded[i] / 32768.0) * (decoded[i] / 32768.0);
    return n ? 10 * std::log10(std::max(sum / n, 1e-20)) : -200.0;
}
