// What all three programs promise the kit tool alike: a usage line on bad arguments, a clear
// message on unreadable input, a non-zero exit on every failure, no partial output, paths
// with either separator, and the same bytes for the same input.
#include "encoders/testing_signals.h"
#include "encoders/testing_tools.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

namespace {

using Args = std::vector<std::string>;

struct ProgramCase
{
    const char *name;
    const char *program;
    std::function<Args(const std::string &in, const std::string &out)> args;  // a good call
    std::vector<std::function<Args(const std::string &in, const std::string &out)>> badArgs;
};

void PrintTo(const ProgramCase &c, std::ostream *os) { *os << c.name; }

const ProgramCase kPrograms[] = {
    {"Sox",
     kSoxProgram,
     [](const std::string &in, const std::string &out) { return Args{kSoxProgram, in, "-r", "22050", out, "resample"}; },
     {[](const std::string &in, const std::string &out) { return Args{kSoxProgram, in, "-r", "fast", out, "resample"}; },
      [](const std::string &in, const std::string &out) { return Args{kSoxProgram, in, "-x", "22050", out, "resample"}; },
      [](const std::string &in, const std::string &out) { return Args{kSoxProgram, in, "-r", "22050", out}; },
      [](const std::string &in, const std::string &out) { return Args{kSoxProgram, in, "-r", "-5", out, "resample"}; },
      [](const std::string &in, const std::string &out) {
          return Args{kSoxProgram, in, "-r", "22050", out, "resample", "again"};
      }}},
    {"Adpcm",
     kAdpcmProgram,
     [](const std::string &in, const std::string &out) { return Args{kAdpcmProgram, "-b", "512", "-f", "16", in, out}; },
     {[](const std::string &in, const std::string &out) { return Args{kAdpcmProgram, "-b", "512", "-f", "8", in, out}; },
      [](const std::string &in, const std::string &out) { return Args{kAdpcmProgram, "-b", "x", "-f", "16", in, out}; },
      [](const std::string &in, const std::string &out) { return Args{kAdpcmProgram, "-b", "0", "-f", "16", in, out}; },
      [](const std::string &in, const std::string &) { return Args{kAdpcmProgram, "-b", "512", "-f", "16", in}; }}},
    {"Wma",
     kWmaProgram,
     [](const std::string &in, const std::string &out) { return Args{kWmaProgram, "-b", "96000", in, out}; },
     {[](const std::string &in, const std::string &out) { return Args{kWmaProgram, "-b", "96k", in, out}; },
      [](const std::string &in, const std::string &out) { return Args{kWmaProgram, "-q", "96000", in, out}; },
      [](const std::string &in, const std::string &) { return Args{kWmaProgram, "-b", "96000", in}; }}},
};

class ProgramContract : public testing::TestWithParam<ProgramCase>
{
  protected:
    void SetUp() override
    {
        // Long enough for every encoder, 44.1 kHz stereo 16-bit as the kit tool hands it over.
        ASSERT_TRUE(Test_WriteWave(dir / "in.wav", Test_SpeechLike(44100, 2, 2.2), SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    // Expects a failed run: non-zero status, one line on standard error naming the program
    // or giving the usage, and no output file or leftover beside it.
    void ExpectCleanFailure(const TestRun &run, const std::vector<std::string> &before)
    {
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.out.empty());
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(dir.List(), before);
    }

    TestDir dir;
};

TEST_P(ProgramContract, ConvertsAGoodInputAndSaysNothing)
{
    TestRun run = Test_Run(GetParam().args(dir / "in.wav", dir / "out.wav"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_P(ProgramContract, PrintsOneUsageLineOnBadArguments)
{
    std::vector<std::string> before = dir.List();
    std::vector<Args> calls = {{GetParam().program}};
    for (const auto &bad : GetParam().badArgs)
        calls.push_back(bad(dir / "in.wav", dir / "out.wav"));
    for (const Args &call : calls) {
        TestRun run = Test_Run(call);
        SCOPED_TRACE(call.size() > 1 ? call[1] + " " + call[2] : "no arguments");
        ExpectCleanFailure(run, before);
        EXPECT_EQ(run.err.rfind("usage: ", 0), 0u) << run.err;
    }
}

TEST_P(ProgramContract, NamesAMissingInput)
{
    std::vector<std::string> before = dir.List();
    TestRun run = Test_Run(GetParam().args(dir / "absent.wav", dir / "out.wav"));
    ExpectCleanFailure(run, before);
    EXPECT_NE(run.err.find(dir / "absent.wav"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cannot open"), std::string::npos) << run.err;
}

TEST_P(ProgramContract, RejectsGarbageInputWithoutTouchingTheOutput)
{
    std::vector<unsigned char> garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 7919 % 251);
    ASSERT_TRUE(Test_WriteBytes(dir / "garbage.wav", garbage));
    ASSERT_TRUE(Test_WriteBytes(dir / "out.wav", {'o', 'l', 'd'}));
    std::vector<std::string> before = dir.List();

    TestRun run = Test_Run(GetParam().args(dir / "garbage.wav", dir / "out.wav"));
    ExpectCleanFailure(run, before);
    EXPECT_NE(run.err.find("not a RIFF WAVE file"), std::string::npos) << run.err;
    EXPECT_EQ(Test_ReadBytes(dir / "out.wav"), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

TEST_P(ProgramContract, FailsCleanlyWhenTheOutputFolderIsMissing)
{
    std::vector<std::string> before = dir.List();
    TestRun run = Test_Run(GetParam().args(dir / "in.wav", dir / "missing/out.wav"));
    ExpectCleanFailure(run, before);
    EXPECT_NE(run.err.find("missing/out.wav"), std::string::npos) << run.err;
}

TEST_P(ProgramContract, AcceptsBackslashSeparatedPaths)
{
    ASSERT_EQ(::mkdir((dir / "temp").c_str(), 0777), 0);
    ASSERT_EQ(::rename((dir / "in.wav").c_str(), (dir / "temp/in.wav").c_str()), 0);
    TestRun run = Test_Run(GetParam().args(dir.Path() + "\\temp\\in.wav", dir.Path() + "\\temp\\out.wav"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Test_Exists(dir / "temp/out.wav"));
}

TEST_P(ProgramContract, GivesTheSameBytesForTheSameInput)
{
    ASSERT_EQ(Test_Run(GetParam().args(dir / "in.wav", dir / "first.wav")).status, 0);
    ASSERT_EQ(Test_Run(GetParam().args(dir / "in.wav", dir / "second.wav")).status, 0);
    std::vector<unsigned char> first = Test_ReadBytes(dir / "first.wav");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, Test_ReadBytes(dir / "second.wav"));
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, ProgramContract, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<ProgramCase> &info) { return std::string(info.param.name); });

}  // namespace
