// Run control pieces that can be checked without running the whole tool: path
// utilities, console prints, error records, the run report and the orphan walk. The
// alias file list, the report of a verbose run and the collection of output files are
// checked end to end (file_system_test, conversion_test).
#include "tests/support/scoped_dir.h"
#include "tests/support/test_kit.h"
#include "tool/paths.h"
#include "tool/report.h"
#include "tool/tool_state.h"

#include <cstring>
#include <gtest/gtest.h>

namespace
{
// Each test starts from a clean run state, logging into its own folder, and puts the
// state back as it was.
class ToolTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        Com_CloseLog();
        saved = toolState;
        Str_Copy(toolState.logFileName, (dir / "test.log").c_str(), sizeof(toolState.logFileName));
        toolState.errors.clear();
        toolState.orphanCandidates.clear();
        toolState.verbose = false;
        toolState.ignoreOrphans = false;
        toolState.filesCount = 0;
        toolState.updatedCount = 0;
        toolState.platform = &platformTable[0];
        toolState.skipLocalized = false;
        toolState.skipNonLocalized = false;
        Str_Copy(toolState.languageDir, "english/", sizeof(toolState.languageDir));
    }
    void TearDown() override
    {
        Com_CloseLog();
        toolState = saved;
    }
    ToolState saved;
    ScopedDir dir;
};
} // namespace

TEST_F(ToolTest, BackSlashPathTurnsPairsIntoOne)
{
    char path[64] = "C:/kit//raw\\\\\\sound/x.wav";
    Tool_BackSlashPath(path);
    EXPECT_STREQ("C:\\kit\\raw\\\\sound\\x.wav", path);
}

TEST_F(ToolTest, MakeDirForFileMakesTheFoldersOfAPathInEitherSeparator)
{
    Tool_MakeDirForFile((dir.path() + "/devraw\\english\\sound/x.wav").c_str());
    EXPECT_TRUE(FileExists(dir / "devraw/english/sound"));
    EXPECT_FALSE(FileExists(dir / "devraw/english/sound/x.wav"));
}

TEST_F(ToolTest, PrintsGoToConsoleAndLogCutTo4095Characters)
{
    testing::internal::CaptureStdout();
    Com_ErrorPrint("x %d\n", 5);
    Com_Print(CHANNEL_VERBOSE, "hidden\n");
    Com_Print(CHANNEL_TOOL, "a path with %s in it\n", "%s");
    toolState.verbose = true;
    Com_Print(CHANNEL_VERBOSE, "shown\n");
    Com_PrintVerbose("%s", "also\n");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ("ERROR: x 5\na path with %s in it\nshown\nalso\n", out);
    Com_CloseLog();
    EXPECT_EQ(out, ReadTextOutput(dir / "test.log"));

    // Long prints are cut to 4095 characters.
    testing::internal::CaptureStdout();
    Com_Print(CHANNEL_TOOL, "%s", std::string(5000, 'y').c_str());
    EXPECT_EQ(4095u, testing::internal::GetCapturedStdout().size());
}

TEST_F(ToolTest, AddErrorKeepsTheSystemMessageWithoutTrailingBlanks)
{
    std::string longText(400, 'p');
    Tool_AddError(5, longText.c_str(), 0);
    Tool_AddError(0, "alias.csv: name", TOOL_ERROR_INVALID_ALIAS_NAME);
    ASSERT_EQ(2u, toolState.errors.size());
    const ToolErrorRecord &first = toolState.errors[0];
    EXPECT_EQ(259u, strlen(first.text));
    EXPECT_NE(0u, strlen(first.systemMessage));
    EXPECT_FALSE(
        isspace(static_cast<unsigned char>(first.systemMessage[strlen(first.systemMessage) - 1])));
    EXPECT_STREQ("", toolState.errors[1].systemMessage);
}

TEST_F(ToolTest, ReportListsOrphansErrorsAndCounts)
{
    toolState.orphanCandidates.insert("C:\\kit\\raw\\sound\\old.wav");
    toolState.orphanCandidates.insert("C:\\KIT\\RAW\\SOUND\\OLD.WAV"); // the same file
    toolState.orphanCandidates.insert("C:\\kit\\raw\\sound\\a.wav");
    toolState.filesCount = 10;
    toolState.updatedCount = 3;
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

TEST_F(ToolTest, TimingLinesSplitHoursMinutesSeconds)
{
    toolState.encodeTime = 3725999;
    toolState.otherTime = 90u * 3600u * 1000u;
    testing::internal::CaptureStdout();
    Tool_PrintTiming();
    EXPECT_EQ("\n\ntime spent encoding: 01h 02m 05s.\ntime spent on other procs: 90h 00m 00s.\n",
              testing::internal::GetCapturedStdout());
}

TEST_F(ToolTest, OrphanWalkRepeatsTheErrorRecordsOfARepeatedWord)
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
    for (const ToolErrorRecord &record : toolState.errors)
    {
        EXPECT_NE(0u, record.systemError);
        EXPECT_EQ(toolState.errors[0].systemError, record.systemError);
        texts.push_back(record.text);
    }
    std::string rawPattern = root + "\\raw\\english\\sound\\*";
    std::string devrawPattern = root + "\\devraw\\english\\sound\\*";
    EXPECT_EQ((std::vector<std::string>{rawPattern, rawPattern, devrawPattern, devrawPattern}),
              texts);
    std::vector<std::string> found(toolState.orphanCandidates.begin(),
                                   toolState.orphanCandidates.end());
    EXPECT_EQ((std::vector<std::string>{root + "\\raw\\sound\\a.wav",
                                        root + "\\raw\\sound\\deep\\b.pc.wav"}),
              found);
    // The folders that can be made are made.
    EXPECT_TRUE(FileExists(dir / "devraw/sound"));
    EXPECT_TRUE(FileExists(dir / "raw/sound"));
}
