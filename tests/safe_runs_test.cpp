// End-to-end: runs that cannot corrupt a kit. Two runs at once, programs that end well
// without writing, links planted beside the files a run writes or looping in its output
// tree, Ctrl-C in the middle of a run, and more error records than an exit status holds.
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using Files = std::map<std::string, std::string>; // kit-relative path to bytes

const char *const HISTORY = "sound_assets/Auralith.hst";
const char *const WAITING = "Auralith: waiting for another run in this kit to finish\n";

// Six sounds: resampled then WMA, WMA, ADPCM, PCM, a streamed ADPCM and a resampled PCM.
const std::vector<std::pair<std::string, std::string>> SIX_SOUNDS = {
    {"a,a/one.wav,,", PcmWave(48000, 2, 200000)},
    {"b,b/two.wav,,", PcmWave(44100, 1, 100000)},
    {"c,c/three.wav,,adpcm", PcmWave(32000, 1, 30000)},
    {"d,d/four.wav,,pcm", PcmWave(22050, 1, 3000)},
    {"e,e/five.wav,streamed,", PcmWave(44100, 1, 40000)},
    {"f,f/six.wav,,pcm", PcmWave(96000, 2, 9000)},
};

void WriteSixSounds(TestKit &kit)
{
    kit.WriteSounds("a.csv", "name,file,type,compression", SIX_SOUNDS);
}
} // namespace

TEST(SafeRuns, ASecondRunWaitsForTheFirstAndAnInterruptedWaitChangesNothing)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: runs programs in the background";
    TestKit reference;
    WriteSixSounds(reference);
    ASSERT_EQ(0, reference.Run({"-clean"}).status);

    TestKit kit;
    WriteSixSounds(kit);
    // Both runs convert everything; the first one slowly, so that the second one meets it.
    kit.SetEncoderRules("sleep 40\n");
    StartedProcess first = StartProcess(AURALITH_BINARY, {"-clean"}, kit.bin());
    ASSERT_TRUE(WaitForFile(kit.bin() + "/fake_encoder.log", first));
    StartedProcess second = StartProcess(AURALITH_BINARY, {"-clean"}, kit.bin());
    StartedProcess third = StartProcess(AURALITH_BINARY, {}, kit.bin());
    for (int tries = 0; tries < 2000 && ReadFile(*third.capture / "err") != WAITING; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ProcessResult help = RunProcess(AURALITH_BINARY, {"-help"}, kit.bin());
    EXPECT_EQ(0, help.status);
    EXPECT_EQ("", help.err) << "help never waits";
    ProcessResult stopped = InterruptProcess(&third);
    ProcessResult one = FinishProcess(&first);
    ProcessResult two = FinishProcess(&second);

    EXPECT_EQ(130, stopped.status);
    EXPECT_EQ(WAITING, stopped.err);
    EXPECT_EQ("", stopped.out);
    EXPECT_EQ(0, one.status) << one.out;
    EXPECT_EQ("", one.err);
    EXPECT_EQ(0, two.status) << two.out;
    EXPECT_EQ(WAITING, two.err);
    EXPECT_EQ(12u, kit.TakeEncoderLog().size()) << "each run launched its six programs";
    EXPECT_TRUE(Contains(two.out, "UPDATED: \t6\n")) << two.out;
    EXPECT_EQ(two.out, ReadTextOutput(kit.bin() + "/Auralith.log"));
    EXPECT_EQ(OutputFiles(reference), OutputFiles(kit));
    EXPECT_EQ(ReadFile(reference / HISTORY), ReadFile(kit / HISTORY));
    EXPECT_FALSE(FileExists(kit / "sound_assets/tempEncodings"));
}

TEST(SafeRuns, AProgramThatEndsWellWithoutWritingFailsItsSoundOnly)
{
    TestKit kit;
    WriteSixSounds(kit);
    // The WMA program writes nothing for two/two.wav, after it wrote for one/one.wav; the
    // resampler writes nothing for six.wav, after it wrote for one.wav.
    kit.SetEncoderRules("silent WMAEncode.exe two.wav\nsilent sox.exe six.wav\n");
    KitRun run = kit.Run({"-verbose"});
    EXPECT_EQ(2, run.status) << run.out;
    for (const char *source : {"b\\two.wav", "f\\six.wav"})
        EXPECT_TRUE(Contains(run.out, "ERROR: missing file during encoding " +
                                          ToolPath(kit / "sound_assets/raw/sound/") + source +
                                          "\n"))
            << run.out;
    Files targets = OutputFiles(kit);
    EXPECT_EQ(0u, targets.count("raw/sound/b/two.wav"));
    EXPECT_EQ(0u, targets.count("raw/sound/f/six.wav"));
    EXPECT_EQ(4u, targets.size());
    std::string history = ReadFile(kit / HISTORY);
    EXPECT_FALSE(Contains(history, "two.wav") || Contains(history, "six.wav")) << history;

    kit.SetEncoderRules("");
    EXPECT_EQ(0, kit.Run({}).status);
    EXPECT_EQ(6u, OutputFiles(kit).size());
}

TEST(SafeRuns, LinksPlantedWhereTheRunWritesAreReplacedNotFollowed)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: symbolic links";
    TestKit kit;
    WriteSixSounds(kit);
    ScopedDir outside;
    WriteFile(outside / "target", "outside target");
    WriteFile(outside / "history", "outside history");
    MakeDirs(kit / "raw/sound/d");
    fs::create_symlink(outside / "target", kit / "raw/sound/d/four.wav.tmp");
    fs::create_symlink(outside / "history", kit / "sound_assets/Auralith.hst.tmp");

    EXPECT_EQ(0, kit.Run({}).status);
    EXPECT_EQ("outside target", ReadFile(outside / "target"));
    EXPECT_EQ("outside history", ReadFile(outside / "history"));
    EXPECT_EQ("RIFF", ReadFile(kit / "raw/sound/d/four.wav").substr(0, 4));
    EXPECT_EQ(6u, SortedLines(ReadFile(kit / HISTORY)).size() - 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(kit / "raw/sound/d/four.wav.tmp")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(kit / "sound_assets/Auralith.hst.tmp")));
}

TEST(SafeRuns, LoopingLinksInTheOutputTreeEndTheWalkWithTheSameOrphans)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: symbolic links";
    TestKit kit;
    WriteSixSounds(kit);
    WriteFile(kit / "raw/sound/old/gone.wav", "an orphan");
    ASSERT_EQ(0, kit.Run({}).status);
    KitRun plain = kit.Run({});
    fs::create_symlink(".", kit / "raw/sound/self");
    fs::create_symlink("../sound", kit / "raw/sound/old/up");
    fs::create_symlink("../../raw", kit / "raw/sound/a/raw");
    KitRun looped = kit.Run({});
    EXPECT_EQ(0, looped.status);
    EXPECT_EQ(plain.out, looped.out);
    EXPECT_TRUE(Contains(looped.out, "\n" + ToolPath(kit / "raw/sound/old/gone.wav") +
                                         "\n\n---------------------------\nFILES"))
        << looped.out;
}

TEST(SafeRuns, ExitStatusCountsErrorRecordsUpToWhatTheSystemKeeps)
{
    TestKit kit;
    std::string rows = "name,file\n";
    for (int i = 0; i < 300; ++i)
        rows += "n" + std::to_string(i) + ",missing/m" + std::to_string(i) + ".wav\n";
    kit.WriteAliasFile("a.csv", rows);
    KitRun run = kit.Run({});
    EXPECT_EQ(HostIsPosix() ? 255 : 300, run.status);
    EXPECT_TRUE(Contains(run.out, "ERRORS: \t300\n")) << run.out;
}

#if defined(AURALITH_REAL_SOX) && defined(AURALITH_REAL_ADPCM) && defined(AURALITH_REAL_WMA)
namespace
{
// A kit of the six sounds four times over, converted by the real programs, and what an
// uninterrupted run makes of it.
class InterruptedRun : public testing::Test
{
  protected:
    void SetUp() override
    {
        WriteKit(reference);
        KitRun run = reference.Run({});
        ASSERT_EQ(0, run.status) << run.out;
        expected = OutputFiles(reference);
        ASSERT_EQ(24u, expected.size());
    }

    static void WriteKit(TestKit &kit)
    {
        std::vector<std::pair<std::string, std::string>> rows;
        for (char copy : {'p', 'q', 'r', 's'})
            for (const auto &[row, source] : SIX_SOUNDS)
                rows.push_back(
                    {std::string(1, copy) + row.substr(0, 2) + copy + row.substr(2), source});
        kit.WriteSounds("a.csv", "name,file,type,compression", rows);
        for (const auto &[name, program] : {std::pair{"sox.exe", AURALITH_REAL_SOX},
                                            {"AdpcmEncode.exe", AURALITH_REAL_ADPCM},
                                            {"WMAEncode.exe", AURALITH_REAL_WMA}})
            fs::copy_file(program, kit.bin() + "/" + name, fs::copy_options::overwrite_existing);
    }

    TestKit reference{false};
    Files expected;
};
} // namespace

TEST_F(InterruptedRun, CtrlCKeepsEveryFinishedFileAndTheNextRunConvertsTheRest)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: signals a process group";
    // Interrupted once the kit is locked (during start-up), and once the first target, one
    // in the middle and one near the end are written; the two runs in between convert two
    // files at a time.
    int round = 0;
    for (const char *landmark : {"sound_assets/Auralith.lock", "raw/sound/pa/one.wav",
                                 "raw/sound/ra/one.wav", "raw/sound/sd/four.wav"})
    {
        std::vector<std::string> args;
        if (round == 1 || round == 2)
            args = {"-jobs", "2"};
        ++round;
        SCOPED_TRACE(std::string("interrupted once there is ") + landmark +
                     (args.empty() ? "" : " with two jobs"));
        TestKit kit(false);
        WriteKit(kit);
        StartedProcess run = StartProcess(AURALITH_BINARY, args, kit.bin());
        ASSERT_TRUE(WaitForFile(kit / landmark, run));
        ProcessResult stopped = InterruptProcess(&run);
        ASSERT_EQ(130, stopped.status) << stopped.out;
        EXPECT_FALSE(Contains(stopped.out, "Orphans") || Contains(stopped.out, "OPRHANS"))
            << stopped.out;
        EXPECT_FALSE(Contains(stopped.out, "Errors")) << stopped.out;
        EXPECT_FALSE(fs::exists(kit / "sound_assets/tempEncodings"));

        // Every target there is whole and has its record; nothing else was kept.
        Files done = OutputFiles(kit);
        std::vector<std::string> records = SortedLines(ReadFile(kit / HISTORY));
        EXPECT_EQ(done.size(), records.empty() ? 0 : records.size() - 1);
        std::map<std::string, fs::file_time_type> times;
        for (const auto &[path, bytes] : done)
        {
            EXPECT_EQ(expected[path], bytes) << path;
            times[path] = fs::last_write_time(kit / path);
        }

        KitRun rest = kit.Run({"-verbose"});
        EXPECT_EQ(0, rest.status) << rest.out;
        for (const auto &[path, bytes] : expected)
        {
            std::string name = path.substr(path.find('/', 4) + 1);
            bool wasDone = done.count(path) == 1;
            std::string source = ToolPath("sound_assets/raw/sound/" + name);
            EXPECT_EQ(!wasDone, Contains(rest.out, "Process " + source + " -> ")) << path;
            EXPECT_EQ(wasDone, Contains(rest.out, "Skipping up to date sound file " +
                                                      ToolPath(kit.root()) + "\\" + source))
                << path;
            if (wasDone)
            {
                EXPECT_EQ(times[path], fs::last_write_time(kit / path)) << path;
            }
        }
        EXPECT_EQ(expected, OutputFiles(kit));
        EXPECT_EQ(SortedLines(ReadFile(reference / HISTORY)), SortedLines(ReadFile(kit / HISTORY)));
    }
}
#endif
