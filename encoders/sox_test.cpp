// Tests of sox.exe: rate, channels and length of the resampled wave, its closeness to the
// same tone generated at the target rate, the anti-alias filter, and 16-bit PCM output.
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

namespace
{
struct ResampleCase
{
    const char *name;
    uint32_t from, to;
    int channels;
    int format;
    double minSnrDb;
};

void PrintTo(const ResampleCase &c, std::ostream *os)
{
    *os << c.name;
}

using SoxResample = testing::TestWithParam<ResampleCase>;

// Writes a tone of freqHz at rate from, resamples it to rate to and decodes the output with
// libsndfile; the tone as written.
TestSignal Resample(ScopedDir &dir, double freqHz, uint32_t from, uint32_t to, int channels,
                    int format, TestDecoded &decoded)
{
    TestTone tone;
    tone.freqHz = freqHz;
    TestSignal source = tone.Sample(from, channels);
    EXPECT_TRUE(Test_WriteWave(dir / "in.wav", source, format));
    ProcessResult run = Test_Run(
        {kSoxProgram, dir / "in.wav", "-r", std::to_string(to), dir / "out.wav", "resample"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string why;
    EXPECT_TRUE(Test_DecodeSndfile(dir / "out.wav", decoded, why)) << why;
    return source;
}

// The tone is generated at the source rate for the input and at the target rate as the
// expected output; its fades keep both ends free of clicks that a filter would smear.
TEST_P(SoxResample, MatchesTheToneGeneratedAtTheTargetRate)
{
    const ResampleCase &c = GetParam();
    ScopedDir dir;
    TestDecoded bySndfile, byFfmpeg;
    TestSignal source = Resample(dir, 1000, c.from, c.to, c.channels, c.format, bySndfile);
    TestRiff riff = Test_ParseRiff(dir / "out.wav");
    std::string why;
    ASSERT_TRUE(Test_DecodeFfmpeg(dir / "out.wav", byFfmpeg, why)) << why;
    ASSERT_TRUE(riff.wellFormed);
    EXPECT_EQ(riff.form, "WAVE");
    const std::string &fmt = riff.chunks["fmt "];
    ASSERT_EQ(fmt.size(), 16u);
    EXPECT_EQ(ReadLittle(fmt, 0, 2), 1u);   // PCM
    EXPECT_EQ(ReadLittle(fmt, 14, 2), 16u); // bits

    const size_t frames = size_t(std::llround(double(source.Frames()) * c.to / c.from));
    for (const TestDecoded *d : {&bySndfile, &byFfmpeg})
    {
        EXPECT_EQ(d->rate, int(c.to));
        EXPECT_EQ(d->channels, c.channels);
        EXPECT_EQ(d->Frames(), frames);
    }
    EXPECT_EQ(bySndfile.samples, byFfmpeg.samples);
    // At the same rate the samples are copied unchanged.
    EXPECT_TRUE(c.from != c.to || bySndfile.samples == Test_ToPcm16(source.samples));

    TestTone tone;
    tone.freqHz = 1000;
    TestSignal expected = tone.Sample(c.to, c.channels);
    ASSERT_EQ(expected.Frames(), frames);
    EXPECT_GE(Test_SnrDb(expected.samples, bySndfile.samples, c.channels, 0, frames), c.minSnrDb);
}

// Reached: 89.7 to 93.0 dB from 16 bits and more (the output's own 16-bit rounding), 39.7 dB
// from 8 bits (the input's quantization). Other sample formats are read as WaveReader checks.
INSTANTIATE_TEST_SUITE_P(
    RatesAndFormats, SoxResample,
    testing::Values(
        ResampleCase{"Stereo48kTo44kPcm16", 48000, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 85},
        ResampleCase{"Mono96kTo44kPcm24", 96000, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 85},
        ResampleCase{"Stereo44kTo32kFloat", 44100, 32000, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 85},
        ResampleCase{"Mono32kTo22kPcm16", 32000, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 85},
        ResampleCase{"Stereo22kUpTo44kPcm16", 22050, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                     85},
        ResampleCase{"Stereo44kAt44kPcm16", 44100, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 85},
        ResampleCase{"Mono48kTo32kPcm8", 48000, 32000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 37}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SoxFilter, KeepsThePassbandAndRemovesWhatTheNewRateCannotHold)
{
    // A 0.5 amplitude sine is at -9.03 dB full scale; the others would alias to 7050 Hz and
    // 12000 Hz. {frequency, from, to, lowest and highest level in dB}
    const double cases[][5] = {{9000, 48000, 22050, -9.13, -8.93},
                               {15000, 48000, 22050, -1000, -90},
                               {20000, 96000, 32000, -1000, -90}};
    for (const auto &c : cases)
    {
        ScopedDir dir;
        TestDecoded out;
        Resample(dir, c[0], uint32_t(c[1]), uint32_t(c[2]), 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                 out);
        double level = Test_LevelDb(out.samples, 1, out.Frames() / 4, out.Frames() * 3 / 4);
        EXPECT_GE(level, c[3]) << c[0];
        EXPECT_LE(level, c[4]) << c[0];
    }
}

} // namespace
