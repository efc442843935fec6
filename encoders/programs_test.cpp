// What all three programs promise the kit tool alike: a usage line on bad arguments, a clear
// message on unreadable input, a non-zero exit on every failure, no partial output, paths
// with either separator, and the same bytes for the same input; and the waves that the
// formats cannot hold.
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>

namespace
{
using Args = std::vector<std::string>;

// Calls with "IN" and "OUT" standing for the input and output paths.
struct ProgramCase
{
    const char *name;
    Args good;
    std::vector<Args> bad;
};

void PrintTo(const ProgramCase &c, std::ostream *os)
{
    *os << c.name;
}

const ProgramCase kPrograms[] = {
    {"Sox",
     {kSoxProgram, "IN", "-r", "22050", "OUT", "resample"},
     {{kSoxProgram},
      {kSoxProgram, "IN", "-r", "fast", "OUT", "resample"},
      {kSoxProgram, "IN", "-x", "22050", "OUT", "resample"},
      {kSoxProgram, "IN", "-r", "22050", "OUT"},
      {kSoxProgram, "IN", "-r", "-5", "OUT", "resample"},
      {kSoxProgram, "IN", "-r", "22050", "OUT", "resample", "again"}}},
    {"Adpcm",
     {kAdpcmProgram, "-b", "512", "-f", "16", "IN", "OUT"},
     {{kAdpcmProgram},
      {kAdpcmProgram, "-b", "512", "-f", "8", "IN", "OUT"},
      {kAdpcmProgram, "-b", "x", "-f", "16", "IN", "OUT"},
      {kAdpcmProgram, "-b", "0", "-f", "16", "IN", "OUT"},
      {kAdpcmProgram, "-b", "512", "-f", "16", "IN"}}},
    {"Wma",
     {kWmaProgram, "-b", "96000", "IN", "OUT"},
     {{kWmaProgram},
      {kWmaProgram, "-b", "96k", "IN", "OUT"},
      {kWmaProgram, "-q", "96000", "IN", "OUT"},
      {kWmaProgram, "-b", "96000", "IN"}}},
};

Args Fill(Args args, const std::string &in, const std::string &out)
{
    std::replace(args.begin(), args.end(), std::string("IN"), in);
    std::replace(args.begin(), args.end(), std::string("OUT"), out);
    return args;
}

class ProgramContract : public testing::TestWithParam<ProgramCase>
{
  protected:
    void SetUp() override
    {
        // Long enough for every encoder, 44.1 kHz stereo 16-bit as the kit tool hands it over.
        ASSERT_TRUE(Test_WriteWave(dir / "in.wav", Test_SpeechLike(44100, 2, 2.2),
                                   SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    ScopedDir dir;
};

TEST_P(ProgramContract, ConvertsSilentlyAndGivesTheSameBytesForTheSameInput)
{
    ProcessResult run = Test_Run(Fill(GetParam().good, dir / "in.wav", dir / "first.wav"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    // Backslash-separated paths, as the kit tool on Windows passes them.
    run = Test_Run(Fill(GetParam().good, dir.path() + "\\in.wav", dir.path() + "\\second.wav"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ListFolder(dir.path()),
              (std::vector<std::string>{"first.wav", "in.wav", "second.wav"}));
    std::string first = ReadFile(dir / "first.wav");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, ReadFile(dir / "second.wav"));
}

// Every failure: non-zero status, one line on standard error saying why, and no output
// file or leftover beside it; an existing output stays as it was.
TEST_P(ProgramContract, FailsWithOneLineAndNoOutput)
{
    std::string garbage(5000, 0);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char(i * 7919 % 251);
    WriteFile(dir / "garbage.wav", garbage);
    WriteFile(dir / "old.wav", "old");
    const std::vector<std::string> before = ListFolder(dir.path());

    std::vector<std::pair<Args, std::vector<std::string>>> calls = {
        {Fill(GetParam().good, dir / "absent.wav", dir / "out.wav"),
         {dir / "absent.wav", "cannot open"}},
        {Fill(GetParam().good, dir / "garbage.wav", dir / "old.wav"), {"not a RIFF WAVE file"}},
        {Fill(GetParam().good, dir / "in.wav", dir / "missing/out.wav"), {"missing/out.wav"}},
        {Fill(GetParam().good, dir.path(), dir / "out.wav"), {dir.path() + ": not a regular file"}},
    };
    for (const Args &bad : GetParam().bad)
        calls.push_back({Fill(bad, dir / "in.wav", dir / "out.wav"), {"usage: "}});
    for (const auto &[args, parts] : calls)
    {
        SCOPED_TRACE(args.size() > 2 ? args[1] + " " + args[2] : "no arguments");
        ProcessResult run = Test_Run(args);
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        for (const std::string &part : parts)
            EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
        // Only bad arguments give the usage, at the start of the line.
        EXPECT_EQ(parts[0] == "usage: ", run.err.rfind("usage: ", 0) == 0) << run.err;
        EXPECT_EQ(ListFolder(dir.path()), before);
    }
    EXPECT_EQ(ReadFile(dir / "old.wav"), "old");
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, ProgramContract, testing::ValuesIn(kPrograms),
                         [](const auto &info) { return std::string(info.param.name); });

// Waves that AdpcmEncode.exe's format or WMAEncode.exe's codec cannot take are refused with
// the reason, and leave no output.
TEST(Programs, RefuseWhatTheirFormatCannotHold)
{
    struct Refusal
    {
        Args call; // with IN and OUT
        uint32_t rate;
        int channels;
        double seconds;
        const char *reason;
    };
    const Refusal refusals[] = {
        {{kAdpcmProgram, "-b", "512", "-f", "16", "IN", "OUT"}, 22050, 3, 0.2, "1 or 2 channels"},
        {{kAdpcmProgram, "-b", "14", "-f", "16", "IN", "OUT"}, 22050, 2, 0.2, "block size 14"},
        {{kWmaProgram, "-b", "96000", "IN", "OUT"}, 96000, 2, 0.3, "96000 Hz"},
        {{kWmaProgram, "-b", "96000", "IN", "OUT"}, 22050, 3, 0.3, "1 or 2 channels"},
        {{kWmaProgram, "-b", "96000", "IN", "OUT"}, 22050, 1, 0.0, "no samples"},
    };
    for (const Refusal &r : refusals)
    {
        SCOPED_TRACE(r.reason);
        ScopedDir dir;
        ASSERT_TRUE(Test_WriteWave(dir / "in.wav", Test_SpeechLike(r.rate, r.channels, r.seconds),
                                   SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        ProcessResult run = Test_Run(Fill(r.call, dir / "in.wav", dir / "out.wav"));
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(r.reason), std::string::npos) << run.err;
        EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"in.wav"});
    }
}

} // namespace
