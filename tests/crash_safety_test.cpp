// End-to-end: runs killed while an encoder works and at arbitrary moments, stray files
// of killed runs, and kits whose output folder, targets, history or log cannot be
// written or whose disk is full. Whatever happens, every target is the old one or a
// complete new one, the history is the old or the new file, and the next run converges.
// POSIX only: it kills runs, runs as another user and limits file sizes.
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/target_layout.h"
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

// A kit converted once from old sources, then given new sources and one more alias, so
// that the next run converts every file again. The run from that state is the one that
// gets killed; an uninterrupted run from the same state is the reference.
class CrashSafety : public testing::Test
{
  protected:
    void SetUp() override
    {
        WriteKit(0);
        ASSERT_EQ(0, kit.Run({}).status);
        oldTargets = OutputFiles(kit);
        oldHistory = ReadFile(kit / HISTORY);

        WriteKit(7, {"six,g/six.wav,,", PcmWave(22050, 1, 5000)});
        for (const std::string &source : ListTree(kit / "sound_assets/raw"))
            SetFileTime(kit / ("sound_assets/raw/" + source), 1600000000);

        Restore();
        KitRun run = kit.Run({});
        ASSERT_EQ(0, run.status) << run.out;
        launches = static_cast<int>(kit.TakeEncoderLog().size());
        newTargets = OutputFiles(kit);
        newHistory = ReadFile(kit / HISTORY);
        ASSERT_EQ(6, launches);
        ASSERT_EQ(oldTargets.size() + 1, newTargets.size());
    }

    // Six sounds and the extra one given, with sources whose length grows with more, so
    // that old and new targets differ.
    void WriteKit(uint32_t more, const std::pair<std::string, std::string> &extra = {})
    {
        std::vector<std::pair<std::string, std::string>> rows = {
            {"one,a/one.wav,,", PcmWave(48000, 2, 20000 + more)},       // resampled, then ADPCM
            {"two,b/two.wav,,", PcmWave(44100, 1, 100000 + more)},      // WMA
            {"three,c/three.wav,,pcm", PcmWave(22050, 1, 3000 + more)}, // no program
            {"four,d/four.wav,,", PcmWave(32000, 1, 30000 + more)},     // ADPCM
            {"big,e/big.wav,,pcm", PcmWave(22050, 2, 1000000 + more)},  // a large target
            {"five,music/five.wav,streamed,", PcmWave(44100, 1, 40000 + more)}, // ADPCM
        };
        if (!extra.first.empty())
            rows.push_back(extra);
        kit.WriteSounds("main.csv", "name,file,type,compression", rows);
    }

    // Back to the state before the run: old targets older than every source, the old
    // history, no scratch files, no rules.
    void Restore()
    {
        fs::remove_all(kit / "raw");
        fs::remove_all(kit / "devraw");
        fs::remove_all(kit / "sound_assets/tempEncodings");
        RemoveFile(kit / "sound_assets/Auralith.hst.tmp");
        for (const auto &[path, bytes] : oldTargets)
        {
            WriteFile(kit / path, bytes);
            SetFileTime(kit / path, 1000000000);
        }
        WriteFile(kit / HISTORY, oldHistory);
        RemoveFile(kit.bin() + "/fake_encoder.stalled");
        kit.SetEncoderRules("");
        kit.TakeEncoderLog();
    }

    // After a killed run: each target old or new and whole, the history old or new, and
    // nothing else in the output trees but the temporary files of targets.
    void CheckKilledState(const std::string &when)
    {
        SCOPED_TRACE(when);
        Files now = OutputFiles(kit);
        for (const auto &[path, bytes] : newTargets)
        {
            auto found = now.find(path);
            auto old = oldTargets.find(path);
            if (found == now.end())
                EXPECT_TRUE(old == oldTargets.end()) << path << " was lost";
            else
                EXPECT_TRUE(found->second == bytes ||
                            (old != oldTargets.end() && found->second == old->second))
                    << path << " is neither the old nor the new target";
        }
        for (const auto &[path, bytes] : now)
            if (newTargets.count(path) == 0)
            {
                std::string target = path.substr(0, path.size() - 4);
                EXPECT_TRUE(path.substr(target.size()) == ".tmp" && newTargets.count(target) == 1)
                    << "stray " << path;
            }
        std::string history = ReadFile(kit / HISTORY);
        EXPECT_TRUE(history == oldHistory || history == newHistory) << "history:\n" << history;
    }

    // The output files given, the history of an uninterrupted run, no scratch file left.
    void ExpectConverted(const Files &expected)
    {
        EXPECT_EQ(expected, OutputFiles(kit));
        EXPECT_EQ(SortedLines(newHistory), SortedLines(ReadFile(kit / HISTORY)));
        EXPECT_FALSE(FileExists(kit / "sound_assets/Auralith.hst.tmp"));
        EXPECT_FALSE(FileExists(kit / "sound_assets/tempEncodings"));
    }

    // After the next run: the state of an uninterrupted run.
    void CheckConverged(const std::string &when)
    {
        SCOPED_TRACE(when);
        KitRun run = kit.Run({});
        EXPECT_EQ(0, run.status) << run.out;
        ExpectConverted(newTargets);
    }

    TestKit kit;
    Files oldTargets, newTargets;
    std::string oldHistory, newHistory;
    int launches = 0;
};
} // namespace

TEST_F(CrashSafety, KilledRunsLeaveOldOrWholeFilesAndTheNextRunConverges)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: kills the run's process group";
    // Killed while each encoder launch of the run is working.
    for (int launch = 1; launch <= launches; ++launch)
    {
        Restore();
        kit.SetEncoderRules("stall " + std::to_string(launch) + "\n");
        StartedProcess run = StartProcess(AURALITH_BINARY, {}, kit.bin());
        bool stalled = WaitForFile(kit.bin() + "/fake_encoder.stalled", run);
        KillProcess(&run);
        ASSERT_TRUE(stalled) << "launch " << launch << " never came";
        kit.SetEncoderRules("");
        CheckKilledState("killed in launch " + std::to_string(launch));
        CheckConverged("after the kill in launch " + std::to_string(launch));
    }
    // Killed at moments the test does not choose: during reads, writes, renames and the
    // history; every moment must give the same guarantees.
    for (int delay : {0, 2, 5, 10, 20, 35, 50, 80, 120, 200})
    {
        Restore();
        StartedProcess run = StartProcess(AURALITH_BINARY, {}, kit.bin());
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        KillProcess(&run);
        CheckKilledState("killed after " + std::to_string(delay) + " ms");
        CheckConverged("after the kill after " + std::to_string(delay) + " ms");
    }
}

TEST_F(CrashSafety, StrayFilesOfAKilledRunDoNotMisleadTheNextRun)
{
    Restore();
    WriteFile(kit / "raw/sound/a/one.wav.tmp", "half a target");
    WriteFile(kit / "raw/sound/e/big.wav.tmp", std::string(100000, 'x'));
    WriteFile(kit / "raw/sound/gone/old.wav.tmp", "left by a run of an alias since removed");
    WriteFile(kit / "sound_assets/Auralith.hst.tmp", "XUHISTORY 8\n\"cut");
    WriteFile(kit / "sound_assets/tempEncodings/temp.rate.wav", PcmWave(44100, 2, 10));
    WriteFile(kit / "sound_assets/tempEncodings/temp.encode.wav", "not a wave");

    KitRun run = kit.Run({});
    EXPECT_EQ(0, run.status) << run.out;
    // A temporary file is no converted file: not an orphan, not listed, not copied.
    EXPECT_NE(std::string::npos, run.out.find("OPRHANS: \t0\n")) << run.out;
    Files expected = newTargets;
    expected["raw/sound/gone/old.wav.tmp"] = "left by a run of an alias since removed";
    ExpectConverted(expected);
    EXPECT_EQ(std::string::npos, kit.Run({"-list"}).out.find(".tmp"));
}

namespace
{
const char *const ERRORS = "\n---------------------------\n\tErrors\n---------------------------\n";

// A kit for runs that cannot write everywhere, run as an unprivileged user when the test
// runs as root.
class UnwritableKit : public testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HostIsPosix())
            GTEST_SKIP() << "POSIX only: runs as another user and with a file-size limit";
    }

    std::string Source(const std::string &relative) const
    {
        return ToolPath(kit / ("sound_assets/raw/sound/" + relative));
    }

    TestKit kit{true, ScopedDir::Reach::Everyone};
    ProcessOptions user{true, -1};
};
} // namespace

TEST_F(UnwritableKit, ReadOnlyFolderTargetHistoryAndLogAreReportedAndTheRunGoesOn)
{
    kit.WriteSounds("a.csv", "name,file,compression",
                    {{"l,locked/a.wav,pcm", PcmWave(22050, 1, 100)},
                     {"p,pinned.wav,pcm", PcmWave(22050, 1, 200)},
                     {"f,free.wav,pcm", PcmWave(22050, 1, 300)}});
    for (const std::string target : {"locked/a.wav", "pinned.wav"})
    {
        WriteFile(kit / "raw/sound/" + target, "old " + target);
        SetFileTime(kit / "raw/sound/" + target, 1000000000);
    }
    std::string history = "XUHISTORY 8\n\"locked/a.wav\" 0 0 0 0 0\n\"pinned.wav\" 0 0 0 0 0\n";
    WriteFile(kit / HISTORY, history);
    WriteFile(kit.bin() + "/Auralith.log", "old log\n");
    SetMode(kit / "raw/sound/locked", 0555);
    SetMode(kit / "raw/sound/pinned.wav", 0444);
    SetMode(kit / HISTORY, 0444);
    SetMode(kit.bin() + "/Auralith.log", 0444);

    KitRun run = kit.Run({}, user);
    EXPECT_EQ(3, run.status) << run.out;
    std::string errors = ERRORS;
    errors += "ERROR: during encoding " + Source("locked\\a.wav") + " Permission denied\n";
    errors += "ERROR: during encoding " + Source("pinned.wav") + " Permission denied\n";
    errors += "ERROR: " + kit.root() + "/" + HISTORY + " Unable to open file for write.\n";
    EXPECT_NE(std::string::npos, run.out.find(errors)) << run.out;
    EXPECT_NE(std::string::npos,
              run.out.find("FILES: \t\t3\nUPDATED: \t0\nOPRHANS: \t0\nERRORS: \t3\n"));
    EXPECT_EQ("old log\n", run.log);
    for (const std::string target : {"locked/a.wav", "pinned.wav"})
        EXPECT_EQ("old " + target, ReadFile(kit / "raw/sound/" + target));
    EXPECT_EQ(300u, ReadTargetLayout(ReadFile(kit / "raw/sound/free.wav")).privFrames);
    EXPECT_EQ(history, ReadFile(kit / HISTORY));
    EXPECT_EQ(
        (std::vector<std::string>{"sound/free.wav", "sound/locked/a.wav", "sound/pinned.wav"}),
        ListTree(kit / "raw"));
    EXPECT_FALSE(FileExists(kit / "sound_assets/Auralith.hst.tmp"));
}

TEST_F(UnwritableKit, FullDiskFailsTheWriteAndKeepsTheOldFiles)
{
    // Files may not grow past 256 KiB: the large target and the history, which holds
    // many records, do not fit; the small target and the log do.
    ProcessOptions fullDisk;
    fullDisk.fileSizeLimit = 256 * 1024;
    kit.WriteSounds("a.csv", "name,file,compression",
                    {{"b,big.wav,pcm", PcmWave(22050, 1, 200000)},
                     {"s,small.wav,pcm", PcmWave(22050, 1, 1000)}});
    WriteFile(kit / "raw/sound/big.wav", "old big target");
    SetFileTime(kit / "raw/sound/big.wav", 1000000000);
    std::string history = "XUHISTORY 8\n";
    for (int i = 0; i < 10000; ++i)
        history += "\"old/" + std::to_string(100000 + i) + ".wav\" 0 0 0 0 0\n";
    WriteFile(kit / HISTORY, history);

    KitRun run = kit.Run({}, fullDisk);
    EXPECT_EQ(2, run.status) << run.out;
    std::string errors = ERRORS;
    errors += "ERROR: during encoding " + Source("big.wav") + " No space left on device\n";
    errors += "ERROR: " + kit.root() + "/" + HISTORY + " Unable to open file for write.\n";
    EXPECT_NE(std::string::npos, run.out.find(errors)) << run.out;
    EXPECT_EQ(run.out, run.log);
    EXPECT_EQ("old big target", ReadFile(kit / "raw/sound/big.wav"));
    EXPECT_EQ(1000u, ReadTargetLayout(ReadFile(kit / "raw/sound/small.wav")).privFrames);
    EXPECT_EQ(history, ReadFile(kit / HISTORY));
    EXPECT_EQ((std::vector<std::string>{"sound/big.wav", "sound/small.wav"}),
              ListTree(kit / "raw"));
    EXPECT_FALSE(FileExists(kit / "sound_assets/Auralith.hst.tmp"));
}
