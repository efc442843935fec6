// Run control pieces that can be checked without running the whole tool: path
// utilities, console prints, error records, the alias file list, the run report and the
// orphan walk.
#include "tests/support/scoped_dir.h"
#include "tests/support/test_kit.h"
#include "tool/command_line.h"
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
        toolState.aliasFiles.clear();
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

TEST_F(ToolTest, ReplaceExtensionAndMakeDirPath)
{
    char name[64] = "Weapons/Shot.aif";
    Tool_ReplaceExtension(name, ".wav");
    EXPECT_STREQ("Weapons/Shot.wav", name);
    char plain[64] = "a.b/c";
    Tool_ReplaceExtension(plain, ".wav");
    EXPECT_STREQ("a.b/c.wav", plain);

    Tool_MakeDirPath((dir.path() + "\\raw\\english\\sound\\").c_str());
    EXPECT_TRUE(FileExists(dir / "raw/english/sound"));
    Tool_MakeDirForFile((dir.path() + "/devraw\\sound/x.wav").c_str());
    EXPECT_TRUE(FileExists(dir / "devraw/sound"));
    EXPECT_FALSE(FileExists(dir / "devraw/sound/x.wav"));
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

TEST_F(ToolTest, AliasFileListReplacesExtensionsAndKeepsOrder)
{
    Tool_AddAliasFileList("weapons,vehicles.csv,ui.txt");
    Tool_AddAliasFileList("a,");
    Tool_AddAliasFileList("dir.v2/name");
    std::vector<std::string> expected = {"weapons.csv", "vehicles.csv", "ui.csv",
                                         "a.csv",       ".csv",         "dir.v2/name.csv"};
    EXPECT_EQ(expected, toolState.aliasFiles);
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

    toolState.verbose = true;
    toolState.ignoreOrphans = true;
    testing::internal::CaptureStdout();
    Tool_PrintReport();
    EXPECT_EQ("\n---------------------------\n\tErrors\n---------------------------\n"
              "ERROR: missing file C:\\kit\\sound_assets\\devraw\\sound\\gone.wav\n"
              "ERROR: during encoding x.wav Bad file format\n"
              "\n\n---------------------------\nFILES: \t\t10\nUPDATED: \t3\nERRORS: \t3\n"
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

TEST_F(ToolTest, OutputFilesAreCollectedDepthFirstByLastExtension)
{
    WriteFile(dir / "RAW/Sound/Door.WAV", "");
    WriteFile(dir / "RAW/Sound/readme.txt", "");
    WriteFile(dir / "RAW/Sound/x.pc.wav", "");
    WriteFile(dir / "RAW/Sound/sub/deep/y.wav", "");
    std::string folder = ToolPath(dir / "raw/sound");
    Tool_CollectOutputFiles(folder.c_str(), ".wav");
    std::vector<std::string> found(toolState.orphanCandidates.begin(),
                                   toolState.orphanCandidates.end());
    std::vector<std::string> expected = {folder + "\\Door.WAV", folder + "\\sub\\deep\\y.wav",
                                         folder + "\\x.pc.wav"};
    EXPECT_EQ(expected, found);
    EXPECT_TRUE(toolState.errors.empty());
    EXPECT_EQ(1u, toolState.orphanCandidates.count(folder + "\\DOOR.wav"));

    Tool_CollectOutputFiles(ToolPath(dir / "missing").c_str(), ".wav");
    ASSERT_EQ(1u, toolState.errors.size());
    EXPECT_EQ(3u, toolState.errors[0].systemError);
    EXPECT_EQ(ToolPath(dir / "missing") + "\\*", toolState.errors[0].text);
}

TEST_F(ToolTest, OrphanWalkRepeatsTheErrorRecordsOfARepeatedWord)
{
    // A directory word that occurs twice walks its folders once and repeats what the first
    // walk recorded. "raw" and "devraw" are each the streamed and the loaded word of "pc". Their
    // english folders cannot be listed (a file stands where the folder should be).
    WriteFile(dir / "raw/english", "");
    WriteFile(dir / "devraw/english", "");
    WriteFile(dir / "raw/sound/a.wav", "");
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
    EXPECT_EQ((std::vector<std::string>{root + "\\raw\\sound\\a.wav"}), found);
    // The folders that can be made are made.
    EXPECT_TRUE(FileExists(dir / "devraw/sound"));
    EXPECT_TRUE(FileExists(dir / "raw/sound"));
}
