// The timing lines and the orphan walk. The report itself (orphans sorted, the errors that
// carry a tool message listed, the counts) is checked byte for byte end to end
// (conversion_test).
#include "tool/report.h"

#include "records/tool_state.h"
#include "tests/support/run_fixture.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using ReportTest = RunTest;

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
