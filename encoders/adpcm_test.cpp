// Tests of AdpcmEncode.exe and its encoder: block geometry, the RIFF layout, and what two
// independent decoders (ffmpeg, libsndfile) make of the output at every rate and input
// format.
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

using AdpcmRoundTrip = testing::TestWithParam<TestRoundTrip>;

TEST_P(AdpcmRoundTrip, DecodesCloseToTheSourceWithTheTrueLength)
{
    const TestRoundTrip &c = GetParam();
    ScopedDir dir;
    const TestSignal source = c.Make(1.3, 7);
    ASSERT_TRUE(Test_WriteWave(dir / "in.wav", source, c.format));
    ProcessResult run =
        Test_Run({kAdpcmProgram, "-b", "512", "-f", "16", dir / "in.wav", dir / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;

    const size_t frames = source.Frames();
    const uint32_t perBlock = Enc_AdpcmSamplesPerBlock(512, c.channels);
    const size_t blocks = (frames + perBlock - 1) / perBlock;

    TestRiff riff = Test_ParseRiff(dir / "out.wav");
    ASSERT_TRUE(riff.wellFormed);
    EXPECT_EQ(riff.form, "WAVE");
    ASSERT_EQ(riff.order, (std::vector<std::string>{"fmt ", "fact", "data"}));
    // The Microsoft ADPCM format block with the seven standard coefficient pairs.
    EXPECT_EQ(riff.chunks["fmt "], AdpcmFormat(uint16_t(c.channels), c.rate, 512, perBlock));
    EXPECT_EQ(ReadLittle(riff.chunks["fact"], 0, 4), frames); // the true length, not whole blocks
    EXPECT_EQ(riff.chunks["data"].size(), blocks * 512);

    TestDecoded bySndfile, byFfmpeg;
    std::string why;
    ASSERT_TRUE(Test_DecodeSndfile(dir / "out.wav", bySndfile, why)) << why;
    ASSERT_TRUE(Test_DecodeFfmpeg(dir / "out.wav", byFfmpeg, why)) << why;
    for (const TestDecoded *d : {&bySndfile, &byFfmpeg})
    {
        EXPECT_EQ(d->rate, int(c.rate));
        EXPECT_EQ(d->channels, c.channels);
        EXPECT_EQ(d->Frames(), blocks * perBlock); // both decode the padded last block
        EXPECT_GE(Test_SnrDb(source.samples, d->samples, c.channels, 0, frames), c.minSnrDb);
    }

    // Every block starts with two samples carried exactly in its header.
    std::vector<int16_t> pcm = Test_ToPcm16(source.samples);
    for (size_t b = 0; b < blocks; ++b)
        for (size_t f = b * perBlock; f < std::min(frames, b * perBlock + 2); ++f)
            for (int ch = 0; ch < c.channels; ++ch)
                ASSERT_EQ(byFfmpeg.samples[f * c.channels + ch], pcm[f * c.channels + ch])
                    << "frame " << f;
}

// Reached (ffmpeg / libsndfile, which rounds predictions differently): speech-like 24.4 /
// 23.9 dB at 22050 Hz mono, 33.2 / 32.3 dB at 44100 Hz stereo; 440 Hz tone 64.0 / 63.2 dB at
// 48 kHz. The coefficient pair is the one that codes each block best: the first pair alone
// (repeating the previous sample) gives 21.3 dB for the speech at 22050 Hz and 43.5 dB for
// the tone at 48 kHz, the pair that predicts the source best 17.3 dB for the speech (it
// breaks down at the attacks). Inputs of every sample format and rate reach the program
// through the kit end to end (real_encoders_test), and are read as WaveReader checks.
const TestRoundTrip kRoundTrips[] = {
    {"Speech22kMono", 22050, 1, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22},
    {"Speech44kStereo", 44100, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30},
    {"Tone48kStereoFloat", 48000, 2, "tone", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 60}};
INSTANTIATE_TEST_SUITE_P(RatesSignalsAndFormats, AdpcmRoundTrip, testing::ValuesIn(kRoundTrips),
                         [](const auto &info) { return std::string(info.param.name); });

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
    TestRiff riff = Test_ParseRiff(dir / "out.wav");
    EXPECT_TRUE(riff.wellFormed);
    ASSERT_EQ(riff.order, (std::vector<std::string>{"fmt ", "fact", "data"}));
    EXPECT_EQ(ReadLittle(riff.chunks["fact"], 0, 4), 0u);
    EXPECT_TRUE(riff.chunks["data"].empty());
}

} // namespace
