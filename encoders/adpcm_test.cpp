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
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(512, 1), 1012u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(512, 2), 500u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(256, 1), 500u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(2048, 2), 2036u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(8, 1), 4u); // one code byte after the header
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(15, 2), 3u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(7, 1), 0u); // header only
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(14, 2), 0u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(512, 0), 0u);
    EXPECT_EQ(Enc_AdpcmSamplesPerBlock(65535, 1), 0u); // more than the fmt field holds
}

struct AdpcmCase
{
    const char *name;
    uint32_t rate;
    int channels;
    const char *signal; // "speech", "tone" or "chirp"
    int format;         // input format
    double minSnrDb;
};

void PrintTo(const AdpcmCase &c, std::ostream *os)
{
    *os << c.name;
}

TestSignal Make(const AdpcmCase &c, double seconds)
{
    std::string kind = c.signal;
    if (kind == "tone")
    {
        TestTone tone;
        tone.freqHz = 440;
        tone.seconds = seconds;
        return tone.Sample(c.rate, c.channels);
    }
    if (kind == "chirp")
        return Test_Chirp(c.rate, c.channels, seconds, 100, c.rate * 0.4);
    return Test_SpeechLike(c.rate, c.channels, seconds, 7);
}

class AdpcmRoundTrip : public testing::TestWithParam<AdpcmCase>
{
};

TEST_P(AdpcmRoundTrip, DecodesCloseToTheSourceWithTheTrueLength)
{
    const AdpcmCase &c = GetParam();
    TestDir dir;
    TestSignal source; // what the input file holds, in its own precision
    ASSERT_TRUE(Test_WriteWave(dir / "in.wav", Make(c, 1.3), c.format));
    ASSERT_TRUE(Test_ReadSndfileFloat(dir / "in.wav", source));
    TestRun run =
        Test_Run({kAdpcmProgram, "-b", "512", "-f", "16", dir / "in.wav", dir / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;

    const size_t frames = source.Frames();
    const uint32_t perBlock = Enc_AdpcmSamplesPerBlock(512, c.channels);
    const size_t blocks = (frames + perBlock - 1) / perBlock;

    TestRiff riff = Test_ParseRiff(Test_ReadBytes(dir / "out.wav"));
    ASSERT_TRUE(riff.wellFormed);
    EXPECT_EQ(riff.form, "WAVE");
    EXPECT_EQ(riff.order, (std::vector<std::string>{"fmt ", "fact", "data"}));
    const std::vector<unsigned char> &fmt = riff.chunks["fmt "];
    ASSERT_EQ(fmt.size(), 50u);
    EXPECT_EQ(Test_U16(fmt, 0), 2); // Microsoft ADPCM
    EXPECT_EQ(Test_U16(fmt, 2), c.channels);
    EXPECT_EQ(Test_U32(fmt, 4), c.rate);
    EXPECT_EQ(Test_U32(fmt, 8), uint32_t(uint64_t(c.rate) * 512 / perBlock));
    EXPECT_EQ(Test_U16(fmt, 12), 512);
    EXPECT_EQ(Test_U16(fmt, 14), 4);
    EXPECT_EQ(Test_U16(fmt, 16), 32); // cbSize
    EXPECT_EQ(Test_U16(fmt, 18), perBlock);
    EXPECT_EQ(Test_U16(fmt, 20), 7);
    const int16_t coefficients[14] = {256, 0,   512, -256, 0,    0,   192,
                                      64,  240, 0,   460,  -208, 392, -232};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(int16_t(Test_U16(fmt, 22 + 2 * i)), coefficients[i]) << i;
    EXPECT_EQ(Test_U32(riff.chunks["fact"], 0), frames);
    EXPECT_EQ(riff.chunks["data"].size(), blocks * 512);
    // The kit tool counts whole blocks; the fact chunk keeps the true length.
    EXPECT_EQ(Test_ToolFrameCount(riff), (long long)(blocks * perBlock));

    TestDecoded bySndfile, byFfmpeg;
    std::string why;
    ASSERT_TRUE(Test_DecodeSndfile(dir / "out.wav", bySndfile, why)) << why;
    ASSERT_TRUE(Test_DecodeFfmpeg(dir / "out.wav", byFfmpeg, why)) << why;
    EXPECT_EQ(Test_ProbeFrames(dir / "out.wav"), (long long)frames);
    for (const TestDecoded *d : {&bySndfile, &byFfmpeg})
    {
        EXPECT_EQ(d->rate, int(c.rate));
        EXPECT_EQ(d->channels, c.channels);
        EXPECT_EQ(d->Frames(), blocks * perBlock); // both decode the padded last block
    }

    // Every block starts with two samples carried exactly in its header.
    std::vector<int16_t> pcm = Test_ToPcm16(source.samples);
    for (size_t b = 0; b < blocks; ++b)
        for (size_t f = b * perBlock; f < std::min(frames, b * perBlock + 2); ++f)
            for (int ch = 0; ch < c.channels; ++ch)
                ASSERT_EQ(byFfmpeg.samples[f * c.channels + ch], pcm[f * c.channels + ch])
                    << "frame " << f;

    double snrFfmpeg = Test_SnrDb(source.samples, byFfmpeg.samples, c.channels, 0, frames);
    double snrSndfile = Test_SnrDb(source.samples, bySndfile.samples, c.channels, 0, frames);
    EXPECT_GE(snrFfmpeg, c.minSnrDb);
    EXPECT_GE(snrSndfile, c.minSnrDb);
    RecordProperty("snr_ffmpeg_db", std::to_string(snrFfmpeg));
    RecordProperty("snr_sndfile_db", std::to_string(snrSndfile));
}

// Reached (ffmpeg / libsndfile, which rounds predictions differently): speech-like 24.4 /
// 23.9 dB at 22050 Hz mono, 33.2 / 32.3 dB at 44100 Hz stereo; 440 Hz tone 64.0 / 63.2 dB at
// 48 kHz; a full-band chirp up to 0.4 of the rate 21.7 dB.
INSTANTIATE_TEST_SUITE_P(
    RatesSignalsAndFormats, AdpcmRoundTrip,
    testing::Values(
        AdpcmCase{"Speech22kMono", 22050, 1, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22},
        AdpcmCase{"Speech44kStereo", 44100, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 30},
        AdpcmCase{"Speech32kStereo24Bit", 32000, 2, "speech", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 25},
        AdpcmCase{"Tone48kStereoFloat", 48000, 2, "tone", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 60},
        AdpcmCase{"Tone96kMono32Bit", 96000, 1, "tone", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 60},
        AdpcmCase{"Chirp44kMono8Bit", 44100, 1, "chirp", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 20},
        AdpcmCase{"Chirp22kStereoExtensible", 22050, 2, "chirp", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16,
                  20}),
    [](const testing::TestParamInfo<AdpcmCase> &info) { return std::string(info.param.name); });

// Encodes signal in-process with the given block size and decodes it with libsndfile.
TestDecoded EncodeAndDecode(const TestSignal &signal, uint16_t blockAlign)
{
    TestDir dir;
    EncBytes image;
    std::string error;
    EXPECT_TRUE(Enc_BuildAdpcmWave(Test_ToPcm16(signal.samples), signal.rate,
                                   uint16_t(signal.channels), blockAlign, image, error))
        << error;
    EXPECT_TRUE(Test_WriteBytes(dir / "out.wav", image));
    TestDecoded decoded;
    std::string why;
    EXPECT_TRUE(Test_DecodeSndfile(dir / "out.wav", decoded, why)) << why;
    return decoded;
}

TEST(AdpcmQuality, PicksThePredictorThatCodesEachBlockBest)
{
    // A 3 kHz tone at 22050 Hz changes fast between samples: repeating the previous sample
    // (the first coefficient pair) reaches only 20.6 dB; the best pair per block 29.5 dB.
    TestTone tone;
    tone.freqHz = 3000;
    tone.seconds = 1.3;
    TestSignal source = tone.Sample(22050, 1);
    TestDecoded decoded = EncodeAndDecode(source, 512);
    EXPECT_GE(Test_SnrDb(source.samples, decoded.samples, 1, 0, source.Frames()), 27.0) << "tone";

    // In speech the pairs that predict the source best are the ones whose coding breaks
    // down at its attacks: the pair of least prediction error reaches only 16.6 dB, the
    // better of the two best by prediction error 17.0 dB; the pair that codes best 24.2 dB.
    TestSignal speech = Test_SpeechLike(22050, 1, 2.0, 3);
    decoded = EncodeAndDecode(speech, 512);
    EXPECT_GE(Test_SnrDb(speech.samples, decoded.samples, 1, 0, speech.Frames()), 23.0) << "speech";
}

TEST(AdpcmQuality, CodesTheStartOfEveryBlockAsWellAsTheRest)
{
    // Loud noise: a block whose first step were far off would code its first samples badly.
    TestSignal source{44100, 2, {}};
    uint32_t state = 5;
    for (int i = 0; i < 44100 * 2; ++i)
    {
        state = state * 1664525u + 1013904223u;
        source.samples.push_back(float((int32_t(state) >> 8) / double(1 << 23) * 0.6));
    }
    TestDecoded decoded = EncodeAndDecode(source, 512);
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

TEST(AdpcmQuality, WorksWithOtherBlockSizes)
{
    TestSignal speech = Test_SpeechLike(22050, 2, 1.0, 3);
    for (uint16_t blockAlign : {64, 256, 1024, 2048})
    {
        TestDecoded decoded = EncodeAndDecode(speech, blockAlign);
        size_t perBlock = Enc_AdpcmSamplesPerBlock(blockAlign, 2);
        EXPECT_EQ(decoded.Frames(), (speech.Frames() + perBlock - 1) / perBlock * perBlock)
            << blockAlign;
        EXPECT_GE(Test_SnrDb(speech.samples, decoded.samples, 2, 0, speech.Frames()), 22.0)
            << blockAlign;
    }
}

TEST(AdpcmEncoder, GivesTheSameBytesOnEveryProcessor)
{
    // Loud noise reaches the clipping of decoded samples and the largest steps.
    TestSignal noise{22050, 2, {}};
    uint32_t state = 9;
    for (int i = 0; i < 22050 * 2; ++i)
    {
        state = state * 1664525u + 1013904223u;
        noise.samples.push_back(float((int32_t(state) >> 8) / double(1 << 23) * 0.99));
    }
    for (const TestSignal &signal : {Test_SpeechLike(22050, 1, 1.0, 5), noise})
    {
        std::vector<int16_t> pcm = Test_ToPcm16(signal.samples);
        const uint16_t channels = uint16_t(signal.channels);
        EXPECT_EQ(Enc_AdpcmEncodeBlocks(pcm, channels, 512),
                  Enc_AdpcmEncodeBlocksPortable(pcm, channels, 512))
            << channels << " channel(s)";
    }
}

TEST(AdpcmProgram, RefusesWhatTheFormatCannotHold)
{
    TestDir dir;
    ASSERT_TRUE(Test_WriteWave(dir / "three.wav", Test_SpeechLike(22050, 3, 0.2),
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    ASSERT_TRUE(Test_WriteWave(dir / "two.wav", Test_SpeechLike(22050, 2, 0.2),
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16));

    TestRun three =
        Test_Run({kAdpcmProgram, "-b", "512", "-f", "16", dir / "three.wav", dir / "out.wav"});
    EXPECT_NE(three.status, 0);
    EXPECT_NE(three.err.find("1 or 2 channels"), std::string::npos) << three.err;

    TestRun tiny =
        Test_Run({kAdpcmProgram, "-b", "14", "-f", "16", dir / "two.wav", dir / "out.wav"});
    EXPECT_NE(tiny.status, 0);
    EXPECT_NE(tiny.err.find("block size 14"), std::string::npos) << tiny.err;
    EXPECT_FALSE(Test_Exists(dir / "out.wav"));
}

TEST(AdpcmProgram, EncodesAnEmptyWaveAsHeadersOnly)
{
    TestDir dir;
    ASSERT_TRUE(Test_WriteWave(dir / "empty.wav", TestSignal{22050, 1, {}},
                               SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    TestRun run =
        Test_Run({kAdpcmProgram, "-b", "512", "-f", "16", dir / "empty.wav", dir / "out.wav"});
    ASSERT_EQ(run.status, 0) << run.err;
    TestRiff riff = Test_ParseRiff(Test_ReadBytes(dir / "out.wav"));
    EXPECT_TRUE(riff.wellFormed);
    EXPECT_EQ(Test_U32(riff.chunks["fact"], 0), 0u);
    EXPECT_TRUE(riff.chunks["data"].empty());
    EXPECT_EQ(Test_ToolFrameCount(riff), 0);
}

} // namespace
