// Tests of sox.exe: the anti-alias filter, a rise in rate and a copy at the same rate.
// Rate, channels, length, 16-bit PCM output and the closeness to the tone generated at the
// new rate are checked on every resampled file of the real-encoder kit run
// (tests/real_encoders_test.cpp).
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

TEST(Sox, FilterKeepsThePassbandAndTheSameRateCopiesTheSamples)
{
    // A 0.5 amplitude sine is at -9.03 dB full scale; the others would alias to 7050 Hz and
    // 12000 Hz. {frequency, from, to, lowest and highest level in dB}
    const double cases[][5] = {{9000, 48000, 22050, -9.13, -8.93},
                               {9000, 22050, 44100, -9.13, -8.93},
                               {15000, 48000, 22050, -1000, -90},
                               {20000, 96000, 32000, -1000, -90}};
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c[0]);
        ScopedDir dir;
        TestTone tone;
        tone.freqHz = c[0];
        ASSERT_TRUE(Test_WriteWave(dir / "in.wav", tone.Sample(uint32_t(c[1]), 1),
                                   SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        ProcessResult run = Test_Run({kSoxProgram, dir / "in.wav", "-r", std::to_string(int(c[2])),
                                      dir / "out.wav", "resample"});
        ASSERT_EQ(run.status, 0) << run.err;
        TestDecoded out;
        std::string why;
        ASSERT_TRUE(Test_DecodeSndfile(dir / "out.wav", out, why)) << why;
        double level = Test_LevelDb(out.samples, 1, out.Frames() / 4, out.Frames() * 3 / 4);
        EXPECT_GE(level, c[3]);
        EXPECT_LE(level, c[4]);
    }

    // The same rate copies the samples.
    ScopedDir dir;
    const TestSignal speech = Test_SpeechLike(44100, 2, 0.3);
    ASSERT_TRUE(Test_WriteWave(dir / "in.wav", speech, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    ProcessResult run =
        Test_Run({kSoxProgram, dir / "in.wav", "-r", "44100", dir / "out.wav", "resample"});
    ASSERT_EQ(run.status, 0) << run.err;
    TestDecoded out;
    std::string why;
    ASSERT_TRUE(Test_DecodeSndfile(dir / "out.wav", out, why)) << why;
    EXPECT_EQ(out.samples, Test_ToPcm16(speech.samples));
}
