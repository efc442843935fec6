// The search path built at start-up from a kit: order, naming rules and warnings.
#include "engine/fs/search_path.h"

#include "engine/dvar/dvar.h"
#include "engine/fs/archive.h"
#include "engine/fs/file_access.h"
#include "tests/support/fs_archives.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

using Strings = std::vector<std::string>;

class FsSearchPath : public FsKitTest
{
  protected:
    // A one-member archive at kit/relative.
    void Zip(const std::string &relative, ZipWriter writer = ZipWriter::InfoZip)
    {
        ASSERT_TRUE(WriteZip(writer, kit + "/" + relative, {{"m/" + relative, relative}}, true));
    }

    // Starts the file system with verbose output and returns what it printed.
    std::string Start(const std::vector<std::pair<std::string, std::string>> &settings = {})
    {
        Test_SetVerbose(true);
        testing::internal::CaptureStdout();
        StartFileSystem(kit, settings);
        return testing::internal::GetCapturedStdout();
    }

    // The entries in search order: "folder gameDir" or "archive folder/baseName", with
    // " (localized)" for localized entries.
    Strings Entries() const
    {
        Strings entries;
        for (const SearchPath *search = fs_searchpaths; search != nullptr; search = search->next)
        {
            std::string text = search->archive != nullptr
                                   ? "archive " + std::string(search->archive->gameName) + "/" +
                                         search->archive->baseName
                                   : "folder " + std::string(search->directory->gameDir);
            entries.push_back(text + (search->localized ? " (localized)" : ""));
        }
        return entries;
    }

    std::string ArchiveLine(const std::string &relative, int members = 1) const
    {
        return ToolPath(kit + "/" + relative) + " (" + std::to_string(members) + " files)\n";
    }
    std::string FolderLine(const std::string &gameDir) const { return kit + "//" + gameDir + "\n"; }
};

TEST_F(FsSearchPath, WorkedExampleOrder)
{
    Zip("main/vd_00.vdz");
    ASSERT_TRUE(WriteZip(ZipWriter::Python, kit + "/main/vd_01.vdz",
                         {{"a.csv", "a"}, {"b.csv", "b"}}, false));
    Zip("main/localized_english_00.vdz", ZipWriter::Python);
    Zip("main/localized_english_01.vdz");
    Zip("main/english/eng.vdz");
    Zip("main/english/localized_english_02.vdz", ZipWriter::Python);
    Zip("main_shared/a.vdz");
    WriteFile(kit + "/main_shared/english/sound/x.wav", "");
    Zip("raw/vd_00.vdz");
    Zip("raw/patch.vdz", ZipWriter::Python);
    Zip("raw/english/localized_english_raw.vdz");
    MakeDirs(kit + "/raw_shared/english");
    MakeDirs(kit + "/devraw/english/sound");
    Zip("devraw_shared/x.vdz");

    std::string printed = Start();
    std::string expected =
        "----- FS_Startup -----\n"
        "Current search path:\n" +
        ArchiveLine("main/vd_01.vdz", 2) + ArchiveLine("main/vd_00.vdz") + FolderLine("main") +
        ArchiveLine("main/english/eng.vdz") + ArchiveLine("main_shared/a.vdz") +
        FolderLine("main_shared") + ArchiveLine("raw/vd_00.vdz") + ArchiveLine("raw/patch.vdz") +
        FolderLine("raw") + FolderLine("raw_shared") + FolderLine("devraw") +
        ArchiveLine("devraw_shared/x.vdz") + FolderLine("devraw_shared") +
        ArchiveLine("main/localized_english_01.vdz") +
        ArchiveLine("main/localized_english_00.vdz") +
        ArchiveLine("main/english/localized_english_02.vdz") + FolderLine("main/english") +
        FolderLine("main_shared/english") + ArchiveLine("raw/english/localized_english_raw.vdz") +
        FolderLine("raw/english") + FolderLine("devraw/english") +
        "\nFile Handles:\n"
        "----------------------\n"
        "12 files in vdz files\n";
    EXPECT_EQ(printed, expected);

    // Archives of the english folders keep their folder name.
    EXPECT_EQ(Entries()[3], "archive main/english/eng");
    EXPECT_EQ(Entries()[13], "archive main/localized_english_01 (localized)");
}

TEST_F(FsSearchPath, DevelopmentFoldersOff)
{
    Zip("raw/vd_00.vdz");
    Zip("main/vd_00.vdz");
    Start({{"fs_usedevdir", "0"}});
    EXPECT_EQ(Entries(), (Strings{"archive main/vd_00", "folder main", "folder main_shared"}));
}

TEST_F(FsSearchPath, MainArchivesBelowTheBasePathMustBeginWithVd)
{
    // The home path names the same folder spelled differently: its main is not checked.
    Zip("main/vd_00.vdz");
    Zip("main/patch.vdz");
    Zip("main/VD_01.vdz");
    Zip("raw/patch.vdz");
    std::string printed = Start({{"fs_homepath", kit}});
    EXPECT_NE(printed.find("WARNING: Invalid VDZ patch.vdz in \\main.\n"), std::string::npos);
    EXPECT_EQ(printed.find("Invalid VDZ vd_00.vdz"), std::string::npos);
    EXPECT_EQ(printed.find("Invalid VDZ VD_01.vdz"), std::string::npos);
    Strings entries = Entries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive main/patch"), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive main/VD_01"), 2);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive raw/patch"), 2);
}

TEST_F(FsSearchPath, LocalizedArchiveNames)
{
    Zip("raw/localized_english_00.vdz");
    Zip("raw/localized_french_00.vdz");
    Zip("raw/localized_00.vdz");
    Zip("raw/Localized_english_01.vdz");
    std::string printed = Start({{"fs_usedevdir", "1"}});
    EXPECT_NE(printed.find("WARNING: Localized assets vdz file " + kit +
                           "//raw/localized_00.vdz has invalid name (no language specified). "
                           "Proper naming convention is: localized_[language]_vdz#.vdz\n"),
              std::string::npos);
    EXPECT_EQ(printed.find("french"), std::string::npos);

    Strings entries = Entries();
    EXPECT_EQ(entries.back(), "archive raw/localized_english_00 (localized)");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive raw/Localized_english_01"), 1);
    EXPECT_EQ(entries.size(), 8u);
}

TEST_F(FsSearchPath, SameFolderAddedTwice)
{
    WriteFile(kit + "/main/english/x.csv", "");
    Start();
    size_t before = Entries().size();
    testing::internal::CaptureStdout();
    FS_AddSearchDirectory((kit + "/").c_str(), "raw", 0);
    FS_AddSearchDirectory((kit + "/").c_str(), "MAIN", 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Entries().size(), before);

    testing::internal::CaptureStdout();
    FS_AddSearchDirectory((kit + "/").c_str(), "main/english", 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: game folder " + kit +
                  "//main/english added as both localized & non-localized. Using folder as "
                  "localized\n");
    EXPECT_EQ(Entries().size(), before);
}

TEST_F(FsSearchPath, PrintsIgnoredLocalizedAndOpenHandles)
{
    WriteFile(kit + "/raw/soundaliases/x.csv", "x");
    Start({{"fs_ignoreLocalized", "1"}});
    int32_t handle = 0;
    ASSERT_EQ(FS_FOpenFileRead("soundaliases\\x.csv", &handle), 1);
    testing::internal::CaptureStdout();
    FS_PrintSearchPaths();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("    localized assets are being ignored\nCurrent search path:\n", 0),
              0u);
    EXPECT_NE(printed.find("\nFile Handles:\nhandle 1: soundaliases/x.csv\n"), std::string::npos);
}

TEST_F(FsSearchPath, AtMost1024ArchivesPerFolder)
{
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, dir / "one.vdz", {{"m.csv", "m"}}, false));
    std::string bytes = ReadFile(dir / "one.vdz");
    for (int i = 0; i <= 1024; ++i)
    {
        char name[32];
        snprintf(name, sizeof(name), "/raw/vd_%04d.vdz", i);
        WriteFile(kit + name, bytes);
    }
    std::string printed = Start();
    EXPECT_NE(
        printed.find("WARNING: Exceeded max number of vdz files in " + kit + "//raw (1025/1024)\n"),
        std::string::npos);
    Strings entries = Entries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive raw/vd_1023"), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "archive raw/vd_1024"), 0);
    EXPECT_EQ(entries.size(), 6u + 1024u);
    EXPECT_NE(printed.find("1024 files in vdz files\n"), std::string::npos);
}

TEST_F(FsSearchPath, OverlongBasePathIsNeverOverrun)
{
    kit = dir / std::string(240, 'k');
    Start(); // the message: FsPathRules.SamePathOrderAndOSPaths
    void *buffer = nullptr;
    EXPECT_EQ(FS_ReadFile("soundaliases/x.csv", &buffer), -1);
    EXPECT_EQ(buffer, nullptr);
}

TEST(FsSettings, BasePathKeepsTheKitRootAndTheWorkingDirectoryBecomesTheHomePath)
{
    Dvar_RegisterString("fs_basepath", "/tmp/k/kit/", DVAR_EXTERNAL, "External Dvar");
    FS_RegisterSettings();
    char workingDir[256];
    ASSERT_NE(getcwd(workingDir, sizeof(workingDir)), nullptr);
    EXPECT_STREQ(Dvar_GetString("fs_basepath"), "/tmp/k/kit/");
    EXPECT_STREQ(Dvar_GetString("fs_homepath"), workingDir);
    Dvar_Shutdown();
}
