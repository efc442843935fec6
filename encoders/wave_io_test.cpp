// Tests of the shared wave library: reading every wave format, rounding to 16 bits and
// whole-file output. The 16-bit writer is checked through sox.exe's output.
#include "encoders/out_file.h"
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"
#include "encoders/wave_io.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>

namespace
{

TEST(WaveReader, ReadsEveryFormatLibsndfileWritesAndRoundsTo16Bits)
{
    // {format, largest difference from the source allowed}
    const std::pair<int, double> formats[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1.0 / 128},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.5 / 32768 + 1e-9},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1e-6},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1e-6},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1e-7},
        {SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 0.5 / 32768 + 1e-9},
        {SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 1e-6},
        {SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 0.0}};
    ScopedDir dir;
    const TestSignal source = Test_SpeechLike(32000, 2, 0.4);
    for (const auto &[format, tolerance] : formats)
    {
        SCOPED_TRACE(testing::Message() << "format 0x" << std::hex << format);
        ASSERT_TRUE(Test_WriteWave(dir / "in.wav", source, format));
        EncWave wave;
        EncWave16 wave16;
        std::string error;
        ASSERT_TRUE(Enc_ReadWaveFile(dir / "in.wav", wave, error)) << error;
        ASSERT_TRUE(Enc_ReadWaveFile16(dir / "in.wav", wave16, error)) << error;
        EXPECT_EQ(wave.sampleRate, 32000u);
        EXPECT_EQ(wave.channels, 2);
        ASSERT_EQ(wave.Frames(), source.Frames());
        double worst = 0;
        for (size_t i = 0; i < source.samples.size(); ++i)
            worst = std::max(worst, double(std::fabs(wave.samples[i] - source.samples[i])));
        EXPECT_LE(worst, tolerance);
        EXPECT_EQ(wave16.samples, Enc_ToPcm16(wave.samples));
        // 16-bit samples come back bit-exact.
        EXPECT_TRUE((format & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16 ||
                    wave16.samples == Test_ToPcm16(source.samples));
    }

    // Rounding to 16 bits: to the nearest, clipped.
    std::vector<float> in = {0.0f,  1.0f / 32768, 0.49f / 32768, -0.51f / 32768, 0.5f,
                             -1.0f, 1.0f,         3.0f,          -3.0f};
    std::vector<int16_t> expected = {0, 1, 0, -1, 16384, -32768, 32767, 32767, -32768};
    EXPECT_EQ(Enc_ToPcm16(in), expected);
}

// The reader on an image composed with the tests' RIFF builder.
bool Parse(const std::string &image, EncWave &wave, std::string &error)
{
    return Enc_ParseWave(EncBytes(image.begin(), image.end()), wave, error);
}

std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    return RiffChunk("fmt ", WaveFormat(tag, channels, rate, rate * blockAlign, blockAlign, bits));
}

std::string Data(const std::vector<int16_t> &values)
{
    std::string bytes;
    for (int16_t v : values)
        bytes += LittleU16(uint16_t(v));
    return RiffChunk("data", bytes);
}

TEST(WaveReaderLayout, FindsChunksInAnyOrderCutsToWholeFramesAndRefusesWithAReason)
{
    EncWave wave;
    std::string error;
    ASSERT_TRUE(Parse(RiffImage("WAVE", {Data({100, -200, 300}), RiffChunk("LIST", "123"),
                                         Fmt(1, 1, 8000, 2, 16)}),
                      wave, error))
        << error;
    EXPECT_EQ(Enc_ToPcm16(wave.samples), (std::vector<int16_t>{100, -200, 300}));

    std::string image = RiffImage("WAVE", {Fmt(1, 2, 8000, 4, 16), Data({1, 2, 3, 4, 5, 6})});
    image.resize(image.size() - 2); // the last frame loses its right sample
    ASSERT_TRUE(Parse(image, wave, error)) << error;
    EXPECT_EQ(Enc_ToPcm16(wave.samples), (std::vector<int16_t>{1, 2, 3, 4}));

    // What it cannot decode is refused with a reason.
    // WAVE_FORMAT_EXTENSIBLE around another sub-format than PCM and float (ADPCM).
    const std::string extensibleOther =
        WaveFormat(0xFFFE, 1, 8000, 16000, 2, 16) + LittleU16(22) + LittleU16(16) + LittleU32(4) +
        LittleU32(2) + std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    const std::pair<const char *, std::string> cases[] = {
        {"empty", ""},
        {"other form", RiffImage("XWMA", {Fmt(1, 1, 8000, 2, 16), Data({1})})},
        {"no fmt", RiffImage("WAVE", {Data({1, 2})})},
        {"no data", RiffImage("WAVE", {Fmt(1, 1, 8000, 2, 16)})},
        {"short fmt", RiffImage("WAVE", {RiffChunk("fmt ", std::string(12, 1)), Data({1})})},
        {"adpcm",
         RiffImage("WAVE", {Fmt(2, 1, 8000, 256, 4), RiffChunk("data", std::string(256, 0))})},
        {"16-bit float", RiffImage("WAVE", {Fmt(3, 1, 8000, 2, 16), Data({1})})},
        {"no channels", RiffImage("WAVE", {Fmt(1, 0, 8000, 2, 16), Data({1})})},
        {"no rate", RiffImage("WAVE", {Fmt(1, 1, 0, 2, 16), Data({1})})},
        {"block align", RiffImage("WAVE", {Fmt(1, 2, 8000, 2, 16), Data({1, 2})})},
        {"extensible sub-format",
         RiffImage("WAVE", {RiffChunk("fmt ", extensibleOther), Data({1})})},
    };
    for (const auto &[what, image] : cases)
    {
        EncWave wave;
        std::string error;
        EXPECT_FALSE(Parse(image, wave, error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
}

TEST(WholeFileOutput, CreatesAndReplacesWithoutLeavingTemporaries)
{
    ScopedDir dir;
    std::string error;
    ASSERT_TRUE(Enc_WriteFileWhole(dir / "out.wav", EncBytes{1, 2, 3}, error)) << error;
    ASSERT_TRUE(Enc_WriteFileWhole(dir / "out.wav", EncBytes{4, 5}, error)) << error;
    EXPECT_EQ(ReadFile(dir / "out.wav"), "\x04\x05");
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat((dir / "out.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"out.wav"});
}

} // namespace
