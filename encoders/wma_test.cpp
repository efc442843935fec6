// Tests of WMAEncode.exe: the XWMA layout the kit tool reads, and what ffmpeg decodes from
// it: rate, channels, the sound at its own sample positions, the true length, its closeness
// to the source.
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace
{
struct WmaOutput
{
    TestRiff riff;
    TestDecoded decoded;
    long long probedFrames = -1;
};

// Runs WMAEncode.exe on signal (written in format) and decodes the result with ffmpeg.
::testing::AssertionResult Encode(const TestSignal &signal, int format, WmaOutput &out)
{
    ScopedDir dir;
    if (!Test_WriteWave(dir / "in.wav", signal, format))
        return ::testing::AssertionFailure() << "cannot write the input";
    ProcessResult run = Test_Run({kWmaProgram, "-b", "96000", dir / "in.wav", dir / "out.xwma"});
    if (run.status != 0)
        return ::testing::AssertionFailure() << "WMAEncode.exe: " << run.err;
    out.riff = Test_ParseRiff(dir / "out.xwma");
    out.probedFrames = Test_ProbeFrames(dir / "out.xwma");
    std::string why;
    if (!Test_DecodeFfmpeg(dir / "out.xwma", out.decoded, why))
        return ::testing::AssertionFailure() << why;
    return ::testing::AssertionSuccess();
}

using WmaRoundTrip = testing::TestWithParam<TestRoundTrip>;

TEST_P(WmaRoundTrip, DecodesInPlaceWithTheTrueLengthAndCloseToTheSource)
{
    const TestRoundTrip &c = GetParam();
    const TestSignal source = c.Make(c.frames != 0 ? double(c.frames) / c.rate : 2.0, 11);
    WmaOutput out;
    ASSERT_TRUE(Encode(source, c.format, out));
    const size_t frames = source.Frames();

    // The layout the kit tool's wave summary reads.
    const TestRiff &riff = out.riff;
    ASSERT_TRUE(riff.wellFormed);
    EXPECT_EQ(riff.form, "XWMA");
    EXPECT_EQ(riff.order, (std::vector<std::string>{"fmt ", "dpds", "data"}));
    const std::string &fmt = riff.chunks.at("fmt ");
    ASSERT_GE(fmt.size(), 18u);
    EXPECT_EQ(ReadLittle(fmt, 0, 2), 0x161u);
    EXPECT_EQ(ReadLittle(fmt, 2, 2), uint32_t(c.channels));
    EXPECT_EQ(ReadLittle(fmt, 4, 4), c.rate);
    EXPECT_EQ(ReadLittle(fmt, 14, 2), 16u);
    EXPECT_GT(ReadLittle(fmt, 16, 2), 0u); // the codec's setup bytes
    EXPECT_EQ(fmt.size(), 18u + ReadLittle(fmt, 16, 2));
    const uint32_t averageBytes = ReadLittle(fmt, 8, 4);
    EXPECT_NEAR(averageBytes * 8.0, 96000.0, 960.0);
    EXPECT_NE(averageBytes, 12000u); // a rate XWMA readers take for a 48 kbit/s stream

    const uint16_t packetSize = ReadLittle(fmt, 12, 2);
    const std::string &data = riff.chunks.at("data");
    const std::string &dpds = riff.chunks.at("dpds");
    ASSERT_GT(packetSize, 0);
    EXPECT_EQ(data.size() % packetSize, 0u);
    ASSERT_EQ(dpds.size(), data.size() / packetSize * 4);
    for (size_t i = 4; i < dpds.size(); i += 4)
        EXPECT_LE(ReadLittle(dpds, i - 4, 4), ReadLittle(dpds, i, 4)) << "dpds entry " << i / 4;
    EXPECT_EQ(ReadLittle(dpds, dpds.size() - 4, 4), frames * c.channels * 2);

    // What ffmpeg makes of it: the declared length is the source's; the decoder runs on
    // into the silence coded behind the sound, to the end of its last frame.
    EXPECT_EQ(out.probedFrames, (long long)frames);
    const TestDecoded &d = out.decoded;
    EXPECT_EQ(d.rate, int(c.rate));
    EXPECT_EQ(d.channels, c.channels);
    ASSERT_GE(d.Frames(), frames);
    EXPECT_LT(d.Frames(), frames + 2 * 2048);
    EXPECT_LT(Test_LevelDb(d.samples, c.channels, frames, d.Frames()), -60.0);

    // The sound decodes in place (a tone would match itself a period away).
    EXPECT_TRUE(
        std::string(c.signal) == "tone" ||
        Test_BestShift(source.samples, d.samples, c.channels, frames / 4, frames / 2, 3000) == 0);
    EXPECT_GE(Test_SnrDb(source.samples, d.samples, c.channels, 0, frames), c.minSnrDb);
}

// At 96 kbit/s the waveform comes back at 32.4 to 39.7 dB SNR for speech-like sound and 48.6
// dB for a 440 Hz tone (compared sample by sample, no shift allowed). The codec's frames are
// 512 samples long at 16 kHz, 1024 at 22050 Hz and 2048 above: three sounds end exactly on
// a frame, the others within one. Inputs of every sample format reach the program through
// the kit end to end (real_encoders_test).
const TestRoundTrip kRoundTrips[] = {
    {"Speech22kMono", 22050, 1, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30},
    {"Speech16kMonoWholeFrames", 16000, 1, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30, 32768},
    {"Speech22kStereoWholeFrames", 22050, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30, 10240},
    {"Speech32kStereo", 32000, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30},
    {"Speech44kStereoWholeFrames", 44100, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30, 88064},
    {"Tone48kStereoFloat", 48000, 2, "tone", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 45}};
INSTANTIATE_TEST_SUITE_P(RatesAndSignals, WmaRoundTrip, testing::ValuesIn(kRoundTrips),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
