// End-to-end: a conversion run of a mixed kit through the real sox.exe, AdpcmEncode.exe and
// WMAEncode.exe, every converted file checked by ffprobe and decoded by ffmpeg.
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
#if defined(AURALITH_REAL_SOX) && defined(AURALITH_REAL_ADPCM) && defined(AURALITH_REAL_WMA)
const bool REAL_ENCODERS_BUILT = true;
const char *const REAL_PROGRAMS[][2] = {{"sox.exe", AURALITH_REAL_SOX},
                                        {"AdpcmEncode.exe", AURALITH_REAL_ADPCM},
                                        {"WMAEncode.exe", AURALITH_REAL_WMA}};
#else
const bool REAL_ENCODERS_BUILT = false;
const char *const REAL_PROGRAMS[][2] = {{"", ""}};
#endif

// Sample formats by their size in bytes.
enum class Sample
{
    U8 = 1,
    S16 = 2,
    S24 = 3,
    F32 = 4
};

// A 440 Hz tone (660 Hz on the second channel) at half scale, as a wave file of the format.
std::string ToneWave(uint32_t rate, uint16_t channels, uint32_t frames, Sample format)
{
    const int bytes = int(format);
    const double scale = format == Sample::U8 ? 127 : format == Sample::S16 ? 32767 : 8388607;
    std::string data;
    for (uint32_t f = 0; f < frames; ++f)
        for (uint16_t c = 0; c < channels; ++c)
        {
            double v =
                0.5 * std::sin(2 * 3.14159265358979323846 * 440.0 * (1 + c / 2.0) * f / rate);
            uint32_t bits = uint32_t(std::lround(v * scale) + (format == Sample::U8 ? 128 : 0));
            float value = float(v);
            if (format == Sample::F32)
                std::memcpy(&bits, &value, 4);
            data += LittleU32(bits).substr(0, bytes); // the low bytes, little-endian
        }
    const std::string fmt = WaveFormat(format == Sample::F32 ? 3 : 1, channels, rate,
                                       rate * channels * bytes, channels * bytes, bytes * 8);
    return RiffImage("WAVE", {RiffChunk("fmt ", fmt), RiffChunk("data", data)});
}

// One source of the kit, below sound_assets/raw/sound, and what its converted file must be.
struct Source
{
    const char *alias;
    const char *file;
    const char *columns; // type,loop,compression of the alias row
    uint32_t rate;
    uint16_t channels;
    Sample format;
    double seconds;
    const char *codec; // as ffprobe names it
};

// The rate the converted file has: the first of 44100, 32000, 22050 not above the source's
// rate, or the source's rate below 22050.
uint32_t ConvertedRate(uint32_t rate)
{
    for (uint32_t choice : {44100u, 32000u, 22050u})
        if (choice <= rate)
            return choice;
    return rate;
}

uint32_t FramesOf(const Source &s)
{
    return uint32_t(std::lround(s.seconds * s.rate));
}

// Every sample format into every target codec, resampled and kept rates, mono and stereo.
// Short loaded sounds go to ADPCM; loaded, non-looping ones of at least 88064 frames per
// channel to WMA; streamed or looping ones to ADPCM whatever their length.
const Source SOURCES[] = {
    {"click", "ui/click.wav", "loaded,,", 11025, 1, Sample::U8, 0.2, "adpcm_ms"},
    {"back", "ui/back.wav", ",,", 8000, 2, Sample::S16, 0.25, "adpcm_ms"},
    {"hover", "ui/hover.wav", ",,", 24000, 1, Sample::S24, 0.4, "adpcm_ms"},
    {"confirm", "ui/confirm.wav", ",,", 32000, 2, Sample::F32, 0.6, "adpcm_ms"},
    {"pcm_beep", "ui/pcm_beep.wav", ",,pcm", 22050, 1, Sample::S16, 0.5, "pcm_s16le"},
    {"pcm_chime", "ui/pcm_chime.wav", ",,pcm", 48000, 1, Sample::S24, 0.5, "pcm_s16le"},
    {"fire", "weapons/fire.wav", ",,", 48000, 2, Sample::S24, 0.5, "adpcm_ms"},
    {"impact", "weapons/impact.wav", ",,", 96000, 1, Sample::F32, 0.4, "adpcm_ms"},
    {"casing", "weapons/casing.wav", ",,", 88200, 2, Sample::U8, 0.3, "adpcm_ms"},
    {"empty", "weapons/empty.wav", ",,", 44100, 2, Sample::S16, 0.05, "adpcm_ms"},
    {"wind", "amb/wind.wav", "loaded,,", 44100, 1, Sample::S16, 2.5, "wmav2"},
    {"rain", "amb/rain.wav", ",,", 96000, 2, Sample::S16, 2.0, "wmav2"},
    {"birds", "amb/birds.wav", ",,", 32000, 1, Sample::S24, 3.0, "wmav2"},
    {"crowd", "amb/crowd.wav", ",,", 22050, 1, Sample::F32, 4.1, "wmav2"},
    {"hum", "amb/hum.wav", "loaded,looping,", 44100, 1, Sample::S16, 2.5, "adpcm_ms"},
    {"theme", "music/theme.wav", "streamed,,", 48000, 2, Sample::S16, 3.0, "adpcm_ms"},
};

std::string Summary(int files, int updated)
{
    return "\n\n---------------------------\nFILES: \t\t" + std::to_string(files) +
           "\nUPDATED: \t" + std::to_string(updated) +
           "\nOPRHANS: \t0\n----------------------------";
}

// What ffprobe says of the first audio stream, "codec,rate,channels,length in frames", or
// its complaint.
std::string Probe(const std::string &path)
{
    ProcessResult run =
        RunProcess("/usr/bin/env",
                   {"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                    "stream=codec_name,sample_rate,channels,duration_ts", "-of", "csv=p=0", path},
                   "/");
    return run.out + run.err;
}

// The frames ffmpeg decodes from path, or -1 when it complains.
long long DecodedFrames(const std::string &path, int channels)
{
    ProcessResult run = RunProcess("/usr/bin/env",
                                   {"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "s16le",
                                    "-acodec", "pcm_s16le", "-"},
                                   "/");
    if (run.status != 0 || !run.err.empty())
        return -1;
    return (long long)(run.out.size() / (2 * channels));
}

class RealEncoders : public testing::Test
{
  protected:
    void SetUp() override
    {
        if (!REAL_ENCODERS_BUILT)
            GTEST_SKIP() << "the encoder programs were not built";
        for (const auto &program : REAL_PROGRAMS)
            std::filesystem::create_symlink(program[1], kit.bin() + "/" + program[0]);
        std::string aliases = "name,file,type,loop,compression\n";
        for (const Source &s : SOURCES)
        {
            aliases += std::string(s.alias) + "," + s.file + "," + s.columns + "\n";
            kit.WriteSource(s.file, ToneWave(s.rate, s.channels, FramesOf(s), s.format));
        }
        kit.WriteAliasFile("kit.csv", aliases);
    }

    TestKit kit{false};
};
} // namespace

TEST_F(RealEncoders, ConvertEveryKindOfSourceIntoFilesThatDecode)
{
    const int files = int(sizeof SOURCES / sizeof SOURCES[0]);
    int launches = 0; // a resampling when the rate changes, then an encoder unless PCM
    for (const Source &s : SOURCES)
        launches += (ConvertedRate(s.rate) != s.rate) + (std::string(s.codec) != "pcm_s16le");

    KitRun first = kit.Run({});
    EXPECT_EQ(0, first.status) << first.out;
    EXPECT_NE(std::string::npos, first.out.find(Summary(files, launches))) << first.out;
    EXPECT_EQ(std::string::npos, first.out.find("during")) << first.out;

    KitRun check = kit.Run({"-check-priv"});
    EXPECT_EQ(0, check.status);
    EXPECT_EQ("", check.out);
    EXPECT_EQ("", check.err);

    for (const Source &s : SOURCES)
    {
        SCOPED_TRACE(s.file);
        const std::string target = kit / "raw/sound/" + s.file;
        const uint32_t rate = ConvertedRate(s.rate);
        // The source's length at the converted rate, as the resampler rounds it.
        const long long frames = std::llround(double(FramesOf(s)) * rate / s.rate);

        EXPECT_EQ(std::string(s.codec) + "," + std::to_string(rate) + "," +
                      std::to_string(s.channels) + "," + std::to_string(frames) + "\n",
                  Probe(target));

        // Decoders give ADPCM in whole blocks of 512 bytes and WMA with up to two frames of
        // 2048 samples of trailing silence.
        const long long decoded = DecodedFrames(target, s.channels);
        const std::string codec = s.codec;
        const long long slack = codec == "adpcm_ms" ? (512 - 7 * s.channels) * 2 / s.channels + 2
                                : codec == "wmav2"  ? 2 * 2048
                                                    : 1;
        EXPECT_GE(decoded, frames);
        EXPECT_LT(decoded, frames + slack);
    }
}
