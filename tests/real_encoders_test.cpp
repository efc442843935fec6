// End-to-end: a kit of sources of every sample format, rate and channel count converted
// through the real sox.exe, AdpcmEncode.exe and WMAEncode.exe, and every converted file
// checked as players and decoders take it: the codec, rate, channels and length ffprobe
// reads, the chunks of each codec, and the sound ffmpeg (and for ADPCM libsndfile too)
// decodes, against the source. Built with the encoder tests, which share its tools.
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

namespace
{
// One source below sound_assets/raw/sound and what its converted file must be.
struct Source
{
    const char *alias, *file;
    const char *columns; // type,loop,compression of the alias row
    uint32_t rate;
    int channels;
    int format; // libsndfile's, as the source is written
    uint32_t frames;
    const char *signal; // "speech" (at a rate the tool keeps) or "tone" (1000 Hz)
    const char *codec;  // as ffprobe names it
    double minSnrDb;
};

constexpr int U8 = SF_FORMAT_WAV | SF_FORMAT_PCM_U8, S16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16,
              S24 = SF_FORMAT_WAV | SF_FORMAT_PCM_24, F32 = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

// Short loaded sounds go to ADPCM; loaded, non-looping ones of at least 88064 frames per
// channel to WMA; streamed or looping ones to ADPCM whatever their length. Rates above
// 22050 Hz are resampled to the first of 44100, 32000 and 22050 Hz not above them. The
// figures reached are in docs/encoders.md; the ADPCM speech thresholds fail when the
// encoder keeps the first coefficient pair or the one that predicts best. WMA codes frames
// of 512 samples at 16 kHz, 1024 at 22050 Hz and 2048 above: three sounds end on a frame.
const Source SOURCES[] = {
    {"speech", "vo/speech.wav", ",,", 22050, 1, S16, 28665, "speech", "adpcm_ms", 22},
    {"speech2", "vo/speech2.wav", ",,", 44100, 2, S16, 57330, "speech", "adpcm_ms", 30},
    {"click", "ui/click.wav", "loaded,,", 11025, 1, U8, 2205, "tone", "adpcm_ms", 32},
    {"back", "ui/back.wav", ",,", 8000, 2, S16, 2000, "tone", "adpcm_ms", 21},
    {"hover", "ui/hover.wav", ",,", 24000, 1, S24, 9600, "tone", "adpcm_ms", 38},
    {"confirm", "ui/confirm.wav", ",,", 32000, 2, F32, 19200, "tone", "adpcm_ms", 40},
    {"fire", "weapons/fire.wav", ",,", 48000, 2, S24, 24000, "tone", "adpcm_ms", 45},
    {"impact", "weapons/impact.wav", ",,", 96000, 1, F32, 38400, "tone", "adpcm_ms", 50},
    {"casing", "weapons/casing.wav", ",,", 88200, 2, U8, 26460, "tone", "adpcm_ms", 34},
    {"empty", "weapons/empty.wav", ",,", 44100, 2, S16, 2205, "tone", "adpcm_ms", 45},
    {"hum", "amb/hum.wav", "loaded,looping,", 44100, 1, S16, 110250, "tone", "adpcm_ms", 50},
    {"theme", "music/theme.wav", "streamed,,", 48000, 2, S16, 144000, "tone", "adpcm_ms", 45},
    {"beep", "ui/beep.wav", ",,pcm", 22050, 1, S16, 11025, "tone", "pcm_s16le", 85},
    {"chime", "ui/chime.wav", ",,pcm", 48000, 1, S24, 24000, "tone", "pcm_s16le", 85},
    {"bell", "ui/bell.wav", ",,pcm", 96000, 2, F32, 48000, "tone", "pcm_s16le", 85},
    {"tick", "ui/tick.wav", ",,pcm", 48000, 1, U8, 24000, "tone", "pcm_s16le", 37},
    {"wind", "amb/wind.wav", "loaded,,", 22050, 1, S16, 90112, "speech", "wmav2", 30},
    {"crowd", "amb/crowd.wav", ",,", 16000, 1, S16, 90112, "speech", "wmav2", 30},
    {"birds", "amb/birds.wav", ",,", 32000, 1, S24, 96000, "speech", "wmav2", 30},
    {"storm", "amb/storm.wav", ",,", 44100, 2, S16, 176128, "speech", "wmav2", 30},
    {"rain", "amb/rain.wav", ",,", 96000, 2, S16, 192000, "tone", "wmav2", 45},
    {"sea", "amb/sea.wav", ",,", 22050, 1, F32, 90405, "tone", "wmav2", 45},
};

uint32_t ConvertedRate(uint32_t rate)
{
    for (uint32_t choice : {44100u, 32000u, 22050u})
        if (choice <= rate)
            return choice;
    return rate;
}

// The sound of a source at rate: as written for speech, generated afresh for the tone.
TestSignal Sound(const Source &s, uint32_t rate)
{
    if (std::string(s.signal) == "speech")
        return Test_SpeechLike(s.rate, s.channels, double(s.frames) / s.rate, 7);
    TestTone tone;
    tone.seconds = double(s.frames) / s.rate;
    return tone.Sample(rate, s.channels);
}

// The ADPCM chunks and a second decoder; the first two samples of every block are carried
// exactly in its header.
void CheckAdpcm(const std::string &target, RiffRead &riff, const Source &s,
                const TestSignal &reference, const TestDecoded &byFfmpeg)
{
    const size_t frames = reference.Frames();
    const uint32_t rate = ConvertedRate(s.rate);
    const uint32_t perBlock = (512 - 7 * s.channels) * 2 / s.channels + 2;
    const size_t blocks = (frames + perBlock - 1) / perBlock;
    ASSERT_EQ(riff.order, (std::vector<std::string>{"fmt ", "PRIV", "fact", "data"}));
    EXPECT_EQ(riff.chunks["fmt "], AdpcmFormat(uint16_t(s.channels), rate, 512, perBlock));
    EXPECT_EQ(ReadLittle(riff.chunks["fact"], 0, 4), frames); // the true length
    EXPECT_EQ(riff.chunks["data"].size(), blocks * 512);
    TestDecoded bySndfile;
    std::string why;
    ASSERT_TRUE(Test_DecodeSndfile(target, bySndfile, why)) << why;
    EXPECT_EQ(bySndfile.Frames(), blocks * perBlock); // both decode the padded last block
    EXPECT_GE(Test_SnrDb(reference.samples, bySndfile.samples, s.channels, 0, frames), s.minSnrDb);
    std::vector<int16_t> pcm = Test_ToPcm16(reference.samples);
    for (size_t b = 0; std::string(s.signal) == "speech" && b < blocks; ++b)
        for (size_t f = b * perBlock; f < std::min(frames, b * perBlock + 2); ++f)
            for (int ch = 0; ch < s.channels; ++ch)
                ASSERT_EQ(byFfmpeg.samples[f * s.channels + ch], pcm[f * s.channels + ch])
                    << "frame " << f;
}

// The XWMA chunks the tool reads the length from.
void CheckWma(RiffRead &riff, const Source &s, const TestSignal &reference,
              const TestDecoded &decoded)
{
    const size_t frames = reference.Frames();
    ASSERT_EQ(riff.order, (std::vector<std::string>{"fmt ", "PRIV", "dpds", "data"}));
    const std::string &fmt = riff.chunks["fmt "], &dpds = riff.chunks["dpds"];
    ASSERT_GE(fmt.size(), 18u);
    EXPECT_GT(ReadLittle(fmt, 16, 2), 0u); // the codec's setup bytes
    EXPECT_EQ(fmt.size(), 18u + ReadLittle(fmt, 16, 2));
    const uint32_t averageBytes = ReadLittle(fmt, 8, 4);
    EXPECT_NEAR(averageBytes * 8.0, 96000.0, 960.0);
    EXPECT_NE(averageBytes, 12000u); // a rate XWMA readers take for a 48 kbit/s stream
    const uint32_t packetSize = ReadLittle(fmt, 12, 2);
    ASSERT_GT(packetSize, 0u);
    EXPECT_EQ(riff.chunks["data"].size() % packetSize, 0u);
    ASSERT_EQ(dpds.size(), riff.chunks["data"].size() / packetSize * 4);
    for (size_t i = 4; i < dpds.size(); i += 4)
        EXPECT_LE(ReadLittle(dpds, i - 4, 4), ReadLittle(dpds, i, 4)) << "dpds entry " << i / 4;
    EXPECT_EQ(ReadLittle(dpds, dpds.size() - 4, 4), frames * s.channels * 2);
    // The decoder runs on into the silence coded behind the sound; the sound in its place is
    // the caller's SNR check, which a shift by one sample fails.
    EXPECT_LT(Test_LevelDb(decoded.samples, s.channels, frames, decoded.Frames()), -60.0);
}

class RealEncoders : public testing::Test
{
  protected:
    void SetUp() override
    {
        for (const auto &[name, program] : {std::pair{"sox.exe", kSoxProgram},
                                            {"AdpcmEncode.exe", kAdpcmProgram},
                                            {"WMAEncode.exe", kWmaProgram}})
            std::filesystem::create_symlink(program, kit.bin() + "/" + name);
        std::string aliases = "name,file,type,loop,compression\n";
        for (const Source &s : SOURCES)
        {
            aliases += std::string(s.alias) + "," + s.file + "," + s.columns + "\n";
            const std::string path = kit / "sound_assets/raw/sound/" + s.file;
            MakeDirs(std::filesystem::path(path).parent_path().string());
            ASSERT_TRUE(Test_WriteWave(path, Sound(s, s.rate), s.format));
        }
        kit.WriteAliasFile("kit.csv", aliases);
    }

    TestKit kit{false};
};
} // namespace

TEST_F(RealEncoders, ConvertEveryKindOfSourceIntoFilesThatDecodeCloseToIt)
{
    const int files = int(std::size(SOURCES));
    int launches = 0; // a resampling when the rate changes, then an encoder unless PCM
    for (const Source &s : SOURCES)
        launches += (ConvertedRate(s.rate) != s.rate) + (std::string(s.codec) != "pcm_s16le");
    KitRun first = kit.Run({});
    EXPECT_EQ(0, first.status) << first.out;
    EXPECT_NE(std::string::npos,
              first.out.find("FILES: \t\t" + std::to_string(files) + "\nUPDATED: \t" +
                             std::to_string(launches) + "\nOPRHANS: \t0\n"))
        << first.out;

    for (const Source &s : SOURCES)
    {
        SCOPED_TRACE(s.file);
        const std::string target = kit / "raw/sound/" + s.file;
        const uint32_t rate = ConvertedRate(s.rate);
        const TestSignal reference = Sound(s, rate);
        const size_t frames = reference.Frames();
        const std::string codec = s.codec;
        EXPECT_EQ(codec + "," + std::to_string(rate) + "," + std::to_string(s.channels) + "," +
                      std::to_string(frames) + "\n",
                  Test_Probe(target));

        TestDecoded decoded;
        std::string why;
        ASSERT_TRUE(Test_DecodeFfmpeg(target, s.channels, decoded, why)) << why;
        // ADPCM decodes in whole blocks of 512 bytes, WMA up to two frames of 2048 samples
        // of silence behind the sound.
        const size_t slack = codec == "adpcm_ms" ? (512 - 7 * s.channels) * 2 / s.channels + 2
                             : codec == "wmav2"  ? 2 * 2048
                                                 : 1;
        EXPECT_GE(decoded.Frames(), frames);
        EXPECT_LT(decoded.Frames(), frames + slack);
        EXPECT_GE(Test_SnrDb(reference.samples, decoded.samples, s.channels, 0, frames),
                  s.minSnrDb);
        RiffRead riff = ReadRiff(ReadFile(target));
        ASSERT_TRUE(riff.wellFormed);
        if (codec == "adpcm_ms")
            CheckAdpcm(target, riff, s, reference, decoded);
        else if (codec == "wmav2")
            CheckWma(riff, s, reference, decoded);
        else
        {
            EXPECT_EQ(riff.order, (std::vector<std::string>{"fmt ", "PRIV", "data"}));
            EXPECT_EQ(riff.chunks["fmt "], PcmFormat(uint16_t(s.channels), rate));
        }
    }
}
