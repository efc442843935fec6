// The run report, the timing lines and the orphan walk. The report of a verbose run and
// the collection of output files are checked end to end as well (conversion_test).
#include "tool/report.h"

#include "records/tool_state.h"
#include "tests/support/run_fixture.h"
#include "tests/support/test_kit.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
using ReportTest = RunTest;
} // namespace

TEST_F(ReportTest, ReportListsOrphansErrorsAndCounts)
{
    toolState.run.orphanCandidates.insert("C:\\kit\\raw\\sound\\old.wav");
    toolState.run.orphanCandidates.insert("C:\\KIT\\RAW\\SOUND\\OLD.WAV"); // the same file
    toolState.run.orphanCandidates.insert("C:\\kit\\raw\\sound\\a.wav");
    toolState.run.filesCount = 10;
    toolState.run.updatedCount = 3;
    Tool_AddError(2, "C:\\kit\\sound_assets\\devraw\\sound\\gone.wav", 0);
    Tool_AddError(0, "during encoding x.wav", TOOL_ERROR_BAD_FILE_FORMAT);
    Tool_AddError(0, "nothing to say", 0);

    testing::internal::CaptureStdout();
    EXPECT_EQ(3, Tool_PrintReport());
    EXPECT_EQ(
        "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------"
        "\nC:\\kit\\raw\\sound\\a.wav\nC:\\kit\\raw\\sound\\old.wav"
        "\n---------------------------\n\tErrors\n---------------------------\n"
        "ERROR: during encoding x.wav Bad file format\n"
        "\n\n---------------------------\nFILES: \t\t10\nUPDATED: \t3\nOPRHANS: \t2\nERRORS: \t3\n"
        "----------------------------",
        testing::internal::GetCapturedStdout());
}

TEST_F(ReportTest, TimingLinesSplitHoursMinutesSeconds)
{
    toolState.run.encodeTime = 3725999;
    toolState.run.otherTime = 90u * 3600u * 1000u;
    testing::internal::CaptureStdout();
    Tool_PrintTiming();
    EXPECT_EQ("\n\ntime spent encoding: 01h 02m 05s.\ntime spent on other procs: 90h 00m 00s.\n",
              testing::internal::GetCapturedStdout());
}

TEST_F(ReportTest, OrphanWalkRepeatsTheErrorRecordsOfARepeatedWord)
{
    // A directory word that occurs twice walks its folders once and repeats what the first
    // walk recorded. "raw" and "devraw" are each the streamed and the loaded word of "pc". Their
    // english folders cannot be listed (a file stands where the folder should be).
    WriteFile(dir / "raw/english", "");
    WriteFile(dir / "devraw/english", "");
    WriteFile(dir / "raw/sound/a.wav", "");
    WriteFile(dir / "raw/sound/deep/b.pc.wav", ""); // the last extension counts
    WriteFile(dir / "raw/sound/notes.txt", "");

    Tool_FindOrphanCandidates((dir.path() + "/").c_str());

    std::string root = ToolPath(dir.path());
    std::vector<std::string> texts;
    for (const ToolErrorRecord &record : toolState.run.errors)
    {
        EXPECT_NE(0u, record.systemError);
        EXPECT_EQ(toolState.run.errors[0].systemError, record.systemError);
        texts.push_back(record.text);
    }
    std::string rawPattern = root + "\\raw\\english\\sound\\*";
    std::string devrawPattern = root + "\\devraw\\english\\sound\\*";
    EXPECT_EQ((std::vector<std::string>{rawPattern, rawPattern, devrawPattern, devrawPattern}),
              texts);
    std::vector<std::string> found(toolState.run.orphanCandidates.begin(),
                                   toolState.run.orphanCandidates.end());
    EXPECT_EQ((std::vector<std::string>{root + "\\raw\\sound\\a.wav",
                                        root + "\\raw\\sound\\deep\\b.pc.wav"}),
              found);
    // The folders that can be made are made.
    EXPECT_TRUE(FileExists(dir / "devraw/sound"));
    EXPECT_TRUE(FileExists(dir / "raw/sound"));
}
