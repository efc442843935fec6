// Tests of AdpcmEncode.exe and its encoder: block geometry, the coding of block starts,
// the same bytes on every processor, an empty wave. The layout and the sound that two
// decoders make of its output are checked on every ADPCM file of the real-encoder kit run
// (tests/real_encoders_test.cpp).
#include "encoders/adpcm.h"
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

// The encoder built without its AVX2 variant (see CMakeLists.txt).
EncBytes Enc_AdpcmEncodeBlocksPortable(const std::vector<int16_t> &pcm, uint16_t channels,
                                       uint16_t blockAlign);

namespace
{
TEST(AdpcmBlockGeometry, SamplesPerBlockFollowTheBlockSize)
{
    // {block size, channels, samples}: one code byte after the header gives 4 (mono) or 3
    // (stereo) samples, a header alone none, and so does more than the fmt field holds.
    const uint32_t cases[][3] = {{512, 1, 1012}, {512, 2, 500}, {8, 1, 4},   {15, 2, 3},
                                 {7, 1, 0},      {14, 2, 0},    {512, 0, 0}, {65535, 1, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(Enc_AdpcmSamplesPerBlock(uint16_t(c[0]), uint16_t(c[1])), c[2]) << c[0];
}

// Loud white noise, which reaches the clipping of decoded samples and the largest steps.
TestSignal Noise(uint32_t rate, int channels, double amplitude, uint32_t seed)
{
    TestSignal noise{rate, channels, {}};
    for (uint32_t i = 0; i < rate * channels; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        noise.samples.push_back(float((int32_t(seed) >> 8) / double(1 << 23) * amplitude));
    }
    return noise;
}

TEST(AdpcmQuality, CodesTheStartOfEveryBlockAsWellAsTheRest)
{
    // Loud noise: a block whose first step were far off would code its first samples badly.
    TestSignal source = Noise(44100, 2, 0.6, 5);
    ScopedDir dir;
    EncBytes image;
    std::string error;
    ASSERT_TRUE(Enc_BuildAdpcmWave(Test_ToPcm16(source.samples), 44100, 2, 512, image, error))
        << error;
    WriteFile(dir / "out.wav", std::string(image.begin(), image.end()));
    TestDecoded decoded;
    ASSERT_TRUE(Test_DecodeSndfile(dir / "out.wav", decoded, error)) << error;
    const size_t perBlock = Enc_AdpcmSamplesPerBlock(512, 2), frames = source.Frames();
    double whole = Test_SnrDb(source.samples, decoded.samples, 2, 0, frames);
    double signal = 0, noise = 0;
    for (size_t start = 0; start + perBlock <= frames; start += perBlock)
        for (size_t i = start * 2; i < (start + 16) * 2; ++i)
        {
            double r = source.samples[i], d = decoded.samples[i] / 32768.0;
            signal += r * r;
            noise += (r - d) * (r - d);
        }
    double heads = 10 * std::log10(signal / noise);
    EXPECT_GE(whole, 12.0);
    EXPECT_GE(heads, whole - 1.0) << "first 16 samples of each block";
}

TEST(AdpcmEncoder, GivesTheSameBytesOnEveryProcessor)
{
    for (const TestSignal &signal : {Test_SpeechLike(22050, 1, 1.0, 5), Noise(22050, 2, 0.99, 9)})
    {
        std::vector<int16_t> pcm = Test_ToPcm16(signal.samples);
        const uint16_t channels = uint16_t(signal.channels);
        EXPECT_EQ(Enc_AdpcmEncodeBlocks(pcm, channels, 512),
                  Enc_AdpcmEncodeBlocksPortable(pcm, channels, 512))
            << channels << " channel(s)";
    }
}

TEST(AdpcmProgram, EncodesAnEmptyWaveAsHeaders)
{
    ScopedDir dir;
    ASSERT_TRUE(Test_WriteWave(dir / "empty.wav", TestSignal{22050, 1, {}},
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    ProcessResult run =
        Test_Run({kAdpcmProgram, "-b", "512", "-f", "16", dir / "empty.wav", dir / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    RiffRead riff = ReadRiff(ReadFile(dir / "out.wav"));
    EXPECT_TRUE(riff.wellFormed);
    ASSERT_EQ(riff.order, (std::vector<std::string>{"fmt ", "fact", "data"}));
    EXPECT_EQ(ReadLittle(riff.chunks["fact"], 0, 4), 0u);
    EXPECT_TRUE(riff.chunks["data"].empty());
}

} // namespace
