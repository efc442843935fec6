// End-to-end: a conversion run of a mixed kit through the real sox.exe, AdpcmEncode.exe and
// WMAEncode.exe, every converted file checked by ffprobe and decoded by ffmpeg.
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
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

const double PI = 3.14159265358979323846;

enum class Sample
{
    U8,
    S16,
    S24,
    F32
};

// A 440 Hz tone (660 Hz on the second channel) at half scale, as a wave file of the format.
std::string ToneWave(uint32_t rate, uint16_t channels, uint32_t frames, Sample format)
{
    const uint16_t bytes = format == Sample::U8    ? 1
                           : format == Sample::S16 ? 2
                           : format == Sample::S24 ? 3
                                                   : 4;
    std::string data;
    data.reserve(size_t(frames) * channels * bytes);
    for (uint32_t f = 0; f < frames; ++f)
        for (uint16_t c = 0; c < channels; ++c)
        {
            double v = 0.5 * std::sin(2 * PI * 440.0 * (1 + c / 2.0) * f / rate);
            if (format == Sample::U8)
                data += char(128 + std::lround(v * 127));
            else if (format == Sample::F32)
            {
                float value = float(v);
                uint32_t bits;
                std::memcpy(&bits, &value, 4);
                data += LittleU32(bits);
            }
            else
            {
                long scaled = std::lround(v * (format == Sample::S16 ? 32767 : 8388607));
                for (int b = 0; b < bytes; ++b)
                    data += char((scaled >> (8 * b)) & 0xFF);
            }
        }
    const uint16_t tag = format == Sample::F32 ? 3 : 1;
    const std::string fmt =
        WaveFormat(tag, channels, rate, rate * channels * bytes, channels * bytes, bytes * 8);
    return RiffImage("WAVE", {RiffChunk("fmt ", fmt), RiffChunk("data", data)});
}

// One source of the kit and what its converted file must be.
struct Source
{
    const char *path; // below sound_assets
    uint32_t rate;
    uint16_t channels;
    Sample format;
    double seconds;
    const char *target; // below the kit root
    const char *codec;  // as ffprobe names it
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

// Program launches for the source: a resampling, then an encoder unless kept as PCM.
int Launches(const Source &s)
{
    return (ConvertedRate(s.rate) != s.rate ? 1 : 0) +
           (std::string(s.codec) == "pcm_s16le" ? 0 : 1);
}

uint32_t FramesOf(const Source &s)
{
    return uint32_t(std::lround(s.seconds * s.rate));
}

// Short loaded sounds go to ADPCM; loaded, non-looping ones of at least 88064 frames per
// channel to WMA; streamed or looping ones to ADPCM whatever their length.
const Source SOURCES[] = {
    {"raw/sound/ui/click.wav", 11025, 1, Sample::U8, 0.2, "raw/sound/ui/click.wav", "adpcm_ms"},
    {"raw/sound/ui/beep.wav", 16000, 1, Sample::S16, 0.5, "raw/sound/ui/beep.wav", "adpcm_ms"},
    {"raw/sound/ui/back.wav", 8000, 2, Sample::S16, 0.25, "raw/sound/ui/back.wav", "adpcm_ms"},
    {"raw/sound/ui/tick.wav", 22050, 2, Sample::S16, 0.3, "raw/sound/ui/tick.wav", "adpcm_ms"},
    {"raw/sound/ui/hover.wav", 24000, 1, Sample::S24, 0.4, "raw/sound/ui/hover.wav", "adpcm_ms"},
    {"raw/sound/ui/confirm.wav", 32000, 2, Sample::F32, 0.6, "raw/sound/ui/confirm.wav",
     "adpcm_ms"},
    {"raw/sound/ui/pcm_beep.wav", 22050, 1, Sample::S16, 0.5, "raw/sound/ui/pcm_beep.wav",
     "pcm_s16le"},
    {"raw/sound/ui/pcm_chime.wav", 48000, 1, Sample::S24, 0.5, "raw/sound/ui/pcm_chime.wav",
     "pcm_s16le"},
    {"raw/sound/weapons/reload.wav", 44100, 1, Sample::S16, 0.8, "raw/sound/weapons/reload.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/fire.wav", 48000, 2, Sample::S24, 0.5, "raw/sound/weapons/fire.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/impact.wav", 96000, 1, Sample::F32, 0.4, "raw/sound/weapons/impact.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/casing.wav", 88200, 2, Sample::U8, 0.3, "raw/sound/weapons/casing.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/empty.wav", 44100, 2, Sample::S16, 0.05, "raw/sound/weapons/empty.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/grenade.wav", 44100, 1, Sample::S16, 1.0, "raw/sound/weapons/grenade.wav",
     "adpcm_ms"},
    {"raw/sound/weapons/shotgun/shotgun01.wav", 22050, 1, Sample::S16, 0.3,
     "raw/sound/weapons/shotgun/shotgun01.wav", "adpcm_ms"},
    {"raw/sound/weapons/shotgun/shotgun_02.wav", 48000, 1, Sample::S24, 0.3,
     "raw/sound/weapons/shotgun/shotgun_02.wav", "adpcm_ms"},
    {"raw/sound/weapons/shotgun/shotgun_03.wav", 11025, 1, Sample::U8, 0.3,
     "raw/sound/weapons/shotgun/shotgun_03.wav", "adpcm_ms"},
    {"raw/sound/vehicles/engine.pc.wav", 32000, 2, Sample::S16, 0.7,
     "raw/sound/vehicles/engine.wav", "adpcm_ms"},
    {"raw/sound/amb/wind.wav", 44100, 1, Sample::S16, 2.5, "raw/sound/amb/wind.wav", "wmav2"},
    {"raw/sound/amb/rain.wav", 96000, 2, Sample::S16, 2.0, "raw/sound/amb/rain.wav", "wmav2"},
    {"raw/sound/amb/birds.wav", 32000, 1, Sample::S24, 3.0, "raw/sound/amb/birds.wav", "wmav2"},
    {"raw/sound/amb/crowd.wav", 22050, 1, Sample::F32, 4.1, "raw/sound/amb/crowd.wav", "wmav2"},
    {"raw/sound/amb/hum.wav", 44100, 1, Sample::S16, 2.5, "raw/sound/amb/hum.wav", "adpcm_ms"},
    {"raw/sound/amb/drone.wav", 48000, 2, Sample::S16, 4.0, "raw/sound/amb/drone.wav", "adpcm_ms"},
    {"raw/sound/amb/steam.wav", 96000, 1, Sample::S16, 2.5, "raw/sound/amb/steam.wav", "adpcm_ms"},
    {"raw/sound/amb/adpcm_long.wav", 44100, 1, Sample::S16, 2.5, "raw/sound/amb/adpcm_long.wav",
     "adpcm_ms"},
    {"raw/sound/amb/wma_long.wav", 44100, 2, Sample::S16, 4.1, "raw/sound/amb/wma_long.wav",
     "wmav2"},
    {"raw/sound/music/theme.wav", 48000, 2, Sample::S16, 3.0, "raw/sound/music/theme.wav",
     "adpcm_ms"},
    {"raw/sound/music/menu.wav", 44100, 2, Sample::S16, 2.5, "raw/sound/music/menu.wav",
     "adpcm_ms"},
    {"raw/sound/music/ambient_loop.wav", 22050, 1, Sample::S16, 3.0,
     "raw/sound/music/ambient_loop.wav", "adpcm_ms"},
    {"raw/english/sound/voiceovers/greet.wav", 22050, 1, Sample::S16, 1.5,
     "raw/english/sound/voiceovers/greet.wav", "adpcm_ms"},
    {"raw/english/sound/voiceovers/briefing.wav", 48000, 1, Sample::S16, 2.5,
     "raw/english/sound/voiceovers/briefing.wav", "wmav2"},
    {"raw/english/sound/battlechatter/contact.wav", 16000, 1, Sample::S16, 0.7,
     "raw/english/sound/battlechatter/contact.wav", "adpcm_ms"},
    {"devraw/sound/dev/test_tone.wav", 44100, 1, Sample::S16, 0.3, "devraw/sound/dev/test_tone.wav",
     "adpcm_ms"},
};

const char *const ALIASES = "name,file,type,loop,compression,spatialized\n"
                            "click,ui/click.wav,loaded,,,\n"
                            "beep,ui/beep.wav,,,,\n"
                            "back,ui/back.wav,,,,\n"
                            "tick,ui/tick.wav,,,,\n"
                            "hover,ui/hover.wav,,,,\n"
                            "confirm,ui/confirm.wav,,,,\n"
                            "confirm_again,ui/confirm.wav,,,,\n"
                            "pcm_beep,ui/pcm_beep.wav,,,pcm,\n"
                            "pcm_chime,ui/pcm_chime.wav,,,pcm,\n"
                            "reload,weapons/reload.wav,,,,3d\n"
                            "fire,weapons/fire.wav,,,,\n"
                            "impact,weapons/impact.wav,,,,3d\n"
                            "casing,weapons/casing.wav,,,,\n"
                            "empty,weapons/empty.wav,,,,\n"
                            "grenade,weapons/grenade.wav,,,,3d\n"
                            "shotgun,weapons/shotgun_##.wav,,,,3d\n"
                            "engine,vehicles/engine.wav,,looping,,\n"
                            "wind,amb/wind.wav,loaded,,,\n"
                            "rain,amb/rain.wav,,,,\n"
                            "birds,amb/birds.wav,,,,\n"
                            "crowd,amb/crowd.wav,,,,\n"
                            "hum,amb/hum.wav,loaded,looping,,\n"
                            "drone,amb/drone.wav,,rlooping,,\n"
                            "steam,amb/steam.wav,,,ADPCM,\n"
                            "adpcm_long,amb/adpcm_long.wav,,,adpcm,\n"
                            "wma_long,amb/wma_long.wav,,,wma,\n"
                            "theme,music/theme.wav,streamed,,,\n"
                            "menu,music/menu.wav,primed,,,\n"
                            "ambient_loop,music/ambient_loop.wav,streamed,looping,,\n"
                            "greet,voiceovers/greet.wav,streamed,,,\n"
                            "briefing,voiceovers/briefing.wav,,,,\n"
                            "contact,battlechatter/contact.wav,,,,\n"
                            "test_tone,dev/test_tone.wav,,,,\n";

std::string Summary(int files, int updated)
{
    return "\n\n---------------------------\nFILES: \t\t" + std::to_string(files) +
           "\nUPDATED: \t" + std::to_string(updated) +
           "\nOPRHANS: \t0\n----------------------------";
}

// What ffprobe says of the first audio stream: codec_name, sample_rate, channels,
// duration_ts.
std::map<std::string, std::string> Probe(const std::string &path)
{
    ProcessResult run =
        RunProcess("/usr/bin/env",
                   {"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                    "stream=codec_name,sample_rate,channels,duration_ts", "-of",
                    "default=noprint_wrappers=1", path},
                   "/");
    std::map<std::string, std::string> fields;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (line.find('=') != std::string::npos)
            fields[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    if (run.status != 0 || !run.err.empty())
        fields["error"] = run.err.empty() ? "status " + std::to_string(run.status) : run.err;
    return fields;
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
        kit.WriteAliasFile("kit.csv", ALIASES);
        for (const Source &s : SOURCES)
            WriteFile(kit / (std::string("sound_assets/") + s.path),
                      ToneWave(s.rate, s.channels, FramesOf(s), s.format));
        // Passed over: the platform source beside it takes its place.
        kit.WriteSource("vehicles/engine.wav", ToneWave(22050, 1, 11025, Sample::S16));
    }

    TestKit kit{false};
};
} // namespace

TEST_F(RealEncoders, ConvertEveryKindOfSourceIntoFilesThatDecode)
{
    const int files = int(sizeof SOURCES / sizeof SOURCES[0]);
    int launches = 0;
    for (const Source &s : SOURCES)
        launches += Launches(s);

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
        SCOPED_TRACE(s.path);
        const std::string target = kit / s.target;
        const uint32_t rate = ConvertedRate(s.rate);
        // The source's length at the converted rate, as the resampler rounds it.
        const long long frames = std::llround(double(FramesOf(s)) * rate / s.rate);

        std::map<std::string, std::string> probe = Probe(target);
        ASSERT_EQ(0u, probe.count("error")) << probe["error"];
        EXPECT_EQ(s.codec, probe["codec_name"]);
        EXPECT_EQ(std::to_string(rate), probe["sample_rate"]);
        EXPECT_EQ(std::to_string(s.channels), probe["channels"]);
        EXPECT_EQ(std::to_string(frames), probe["duration_ts"]);

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

    std::vector<std::string> before;
    for (const Source &s : SOURCES)
        before.push_back(ReadFile(kit / s.target));
    KitRun second = kit.Run({});
    EXPECT_EQ(0, second.status) << second.out;
    EXPECT_NE(std::string::npos, second.out.find(Summary(files, 0))) << second.out;
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i], ReadFile(kit / SOURCES[i].target)) << SOURCES[i].target;
}
