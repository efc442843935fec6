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

TEST(WaveReader, ReadsEveryFormatLibsndfileWrites)
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
}

// A hand-made image: chunks given as (code, payload), with the RIFF size set right.
EncBytes Image(const std::vector<std::pair<const char *, EncBytes>> &chunks)
{
    EncBytes image = Enc_BeginRiff("WAVE");
    for (const auto &chunk : chunks)
        Enc_PutChunk(image, chunk.first, chunk.second);
    Enc_FinishRiff(image);
    return image;
}

EncBytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
    EncBytes f;
    Enc_PutU16(f, tag);
    Enc_PutU16(f, channels);
    Enc_PutU32(f, rate);
    Enc_PutU32(f, rate * blockAlign);
    Enc_PutU16(f, blockAlign);
    Enc_PutU16(f, bits);
    return f;
}

EncBytes Samples16(const std::vector<int16_t> &values)
{
    EncBytes b;
    for (int16_t v : values)
        Enc_PutU16(b, uint16_t(v));
    return b;
}

TEST(WaveReaderLayout, FindsChunksInAnyOrderAndCutsDataToWholeFrames)
{
    EncBytes image = Image({{"data", Samples16({100, -200, 300})},
                            {"LIST", EncBytes{1, 2, 3}},
                            {"fmt ", Fmt(1, 1, 8000, 2, 16)}});
    EncWave wave;
    std::string error;
    ASSERT_TRUE(Enc_ParseWave(image, wave, error)) << error;
    EXPECT_EQ(Enc_ToPcm16(wave.samples), (std::vector<int16_t>{100, -200, 300}));

    image = Image({{"fmt ", Fmt(1, 2, 8000, 4, 16)}, {"data", Samples16({1, 2, 3, 4, 5, 6})}});
    image.resize(image.size() - 2); // the last frame loses its right sample
    ASSERT_TRUE(Enc_ParseWave(image, wave, error)) << error;
    EXPECT_EQ(Enc_ToPcm16(wave.samples), (std::vector<int16_t>{1, 2, 3, 4}));
}

TEST(WaveReaderLayout, RejectsWhatItCannotDecodeWithAReason)
{
    EncBytes extensibleOther = Fmt(0xFFFE, 1, 8000, 2, 16);
    Enc_PutU16(extensibleOther, 22);
    Enc_PutU16(extensibleOther, 16);
    Enc_PutU32(extensibleOther, 4);
    EncBytes guid = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                     0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    extensibleOther.insert(extensibleOther.end(), guid.begin(), guid.end());

    EncBytes xwma = Image({{"fmt ", Fmt(1, 1, 8000, 2, 16)}, {"data", Samples16({1})}});
    std::copy_n("XWMA", 4, xwma.begin() + 8);

    const std::vector<std::pair<const char *, EncBytes>> cases = {
        {"empty", {}},
        {"text", EncBytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'}},
        {"other form", xwma},
        {"no fmt", Image({{"data", Samples16({1, 2})}})},
        {"no data", Image({{"fmt ", Fmt(1, 1, 8000, 2, 16)}})},
        {"short fmt", Image({{"fmt ", EncBytes(12, 1)}, {"data", Samples16({1})}})},
        {"adpcm", Image({{"fmt ", Fmt(2, 1, 8000, 256, 4)}, {"data", EncBytes(256, 0)}})},
        {"16-bit float", Image({{"fmt ", Fmt(3, 1, 8000, 2, 16)}, {"data", Samples16({1})}})},
        {"no channels", Image({{"fmt ", Fmt(1, 0, 8000, 2, 16)}, {"data", Samples16({1})}})},
        {"no rate", Image({{"fmt ", Fmt(1, 1, 0, 2, 16)}, {"data", Samples16({1})}})},
        {"block align", Image({{"fmt ", Fmt(1, 2, 8000, 2, 16)}, {"data", Samples16({1, 2})}})},
        {"extensible sub-format", Image({{"fmt ", extensibleOther}, {"data", Samples16({1})}})},
    };
    for (const auto &c : cases)
    {
        EncWave wave;
        std::string error;
        EXPECT_FALSE(Enc_ParseWave(c.second, wave, error)) << c.first;
        EXPECT_FALSE(error.empty()) << c.first;
    }
}

TEST(Pcm16Conversion, RoundsToNearestAndClips)
{
    std::vector<float> in = {0.0f,  1.0f / 32768, 0.49f / 32768, -0.51f / 32768, 0.5f,
                             -1.0f, 1.0f,         3.0f,          -3.0f};
    std::vector<int16_t> expected = {0, 1, 0, -1, 16384, -32768, 32767, 32767, -32768};
    EXPECT_EQ(Enc_ToPcm16(in), expected);
}

TEST(WholeFileOutput, CreatesAndReplacesWithoutLeavingTemporaries)
{
    ScopedDir dir;
    std::string error;
    ASSERT_TRUE(Enc_WriteFileWhole(dir / "out.wav", EncBytes{1, 2, 3}, error)) << error;
    ASSERT_TRUE(Enc_WriteFileWhole(dir / "out.wav", EncBytes{4, 5}, error)) << error;
    EXPECT_EQ(Test_ReadBytes(dir / "out.wav"), (std::vector<unsigned char>{4, 5}));
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat((dir / "out.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"out.wav"});
}

} // namespace
