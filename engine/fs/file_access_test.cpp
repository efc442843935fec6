// Game path rules, OS paths, and opening and reading files by game path in a kit.
#include "engine/fs/file_access.h"

#include "engine/dvar/dvar.h"
#include "engine/fs/archive.h"
#include "engine/fs/search_path.h"
#include "tests/support/fs_archives.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{
int HandlesInUse()
{
    int count = 0;
    for (int handle = 1; handle < FS_MAX_HANDLES; ++handle)
        count += fsHandles[handle].file != nullptr;
    return count;
}

// The whole file through FS_ReadFile, or "<missing>"; the buffer is released.
std::string ReadGameFile(const char *gamePath)
{
    void *buffer = nullptr;
    int length = FS_ReadFile(gamePath, &buffer);
    if (length < 0)
    {
        EXPECT_EQ(buffer, nullptr);
        return "<missing>";
    }
    EXPECT_EQ(static_cast<char *>(buffer)[length], 0);
    std::string text(static_cast<char *>(buffer), size_t(length));
    free(buffer);
    return text;
}
} // namespace

// FS_CleanGamePath is checked against a plain rendering of its rules by the fuzz target
// (fuzz/fuzz_clean_game_path.cpp).
TEST(FsPathRules, SamePathOrderAndOSPaths)
{
    EXPECT_EQ(FS_SamePath("Sound\\Weapons.CSV", "sound/weapons.csv"), 0);
    EXPECT_EQ(FS_SamePath("c:x", "c/x"), 0);
    EXPECT_NE(FS_SamePath("sound/a", "sound/a.csv"), 0);
    EXPECT_NE(FS_SamePath("sound/a.csv", "sound/a"), 0);

    EXPECT_EQ(FS_PathOrder("vd_00.vdz", "VD_01.vdz"), -1);
    EXPECT_EQ(FS_PathOrder("vd_01.vdz", "vd_00.vdz"), 1);
    EXPECT_EQ(FS_PathOrder("a\\b", "A/B"), 0);
    // Raised to capitals, "_" sorts after every letter.
    EXPECT_EQ(FS_PathOrder("a_", "ab"), 1);
    EXPECT_EQ(FS_PathOrder("abc", "ab"), 1);
    // Bytes above 127 are negative and sort before everything.
    EXPECT_EQ(FS_PathOrder("a\xe9", "aA"), -1);

    char out[FS_PATH_SIZE];
    FS_BuildOSPath("/tmp/k/kit/", "main", "soundaliases/x.csv", out);
    EXPECT_STREQ(out, "\\tmp\\k\\kit\\main\\soundaliases\\x.csv");
    FS_BuildOSPath("C:\\kit\\/", "main/english", "", out);
    EXPECT_STREQ(out, "C:\\kit\\main\\english\\");

    std::string base(200, 'b');
    std::string game(27, 'g');
    FS_BuildOSPath(base.c_str(), game.c_str(), std::string(26, 'p').c_str(), out);
    EXPECT_EQ(strlen(out), 255u);
    testing::internal::CaptureStdout();
    FS_BuildOSPath(base.c_str(), game.c_str(), std::string(27, 'p').c_str(), out);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ERROR: FS_BuildOSPath: os path length exceeded\n");
    EXPECT_STREQ(out, "");
}

// Making folders and copying files are checked by the copy from the CD path below.
TEST(FsPathRules, CreateDirectoriesRefusesRelativePaths)
{
    ScopedDir dir;
    Test_SetVerbose(true);
    testing::internal::CaptureStdout();
    std::string relative = ToolPath(dir / "x/::/y");
    EXPECT_EQ(FS_CreateOSDirectories(relative.c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: refusing to create relative path \"" + relative + "\"\n");
    Test_SetVerbose(false);
    EXPECT_FALSE(FileExists(dir / "x"));
}

class FsFileAccess : public FsKitTest
{
  protected:
    // main/vd_00.vdz with four members, the last one damaged, and loose files in main and
    // raw.
    void MakeKit()
    {
        const std::string path = kit + "/main/vd_00.vdz";
        ASSERT_TRUE(WriteZip(ZipWriter::Python, path,
                             {{"soundaliases/Both.csv", "from the archive"},
                              {"soundaliases/big.csv", std::string(70000, 'q')},
                              {"other/only.csv", "archive only"},
                              {"soundaliases/damaged.csv", std::string(70000, 'd')}},
                             true));
        std::string bytes = ReadFile(path);
        bytes[ReadZipLayout(bytes).dataStarts[3] + 20] ^= 0x5a;
        WriteFile(path, bytes);
        WriteFile(kit + "/raw/soundaliases/both.csv", "from the folder");
        WriteFile(kit + "/raw/soundaliases/Loose.csv", "loose");
        WriteFile(kit + "/raw/soundaliases/empty.csv", "");
        WriteFile(kit + "/main/english/soundaliases/spoken.csv", "localized");
    }
};

TEST_F(FsFileAccess, ReadsFromArchivesAndFoldersAndIgnoresLocalizedEntriesWhenAsked)
{
    MakeKit();
    StartFileSystem(kit);
    // A member that fails to read is no file, and gives its handle back.
    EXPECT_EQ(ReadGameFile("soundaliases/damaged.csv"), "<missing>");
    EXPECT_EQ(HandlesInUse(), 0);
    EXPECT_EQ(ReadGameFile("soundaliases/both.csv"), "from the archive");
    EXPECT_EQ(ReadGameFile("SoundAliases\\BOTH.CSV"), "from the archive");
    EXPECT_EQ(ReadGameFile("/soundaliases//loose.csv"), "loose");
    EXPECT_EQ(ReadGameFile("soundaliases/big.csv"), std::string(70000, 'q'));
    EXPECT_EQ(ReadGameFile("other/only.csv"), "archive only");
    EXPECT_EQ(ReadGameFile("soundaliases/spoken.csv"), "localized");
    EXPECT_EQ(ReadGameFile("soundaliases/none.csv"), "<missing>");
    EXPECT_EQ(ReadGameFile("../kit/raw/soundaliases/loose.csv"), "<missing>");
    // Folders are not files.
    EXPECT_EQ(ReadGameFile("soundaliases"), "<missing>");

    EXPECT_EQ(ReadGameFile("soundaliases/empty.csv"), "");
    EXPECT_EQ(HandlesInUse(), 0);

    Dvar_SetFromString(Dvar_FindVar("fs_ignoreLocalized"), "1");
    EXPECT_EQ(ReadGameFile("soundaliases/spoken.csv"), "<missing>");
    EXPECT_EQ(ReadGameFile("soundaliases/loose.csv"), "loose");
}

TEST_F(FsFileAccess, FiftiethOpenFindsNoHandle)
{
    MakeKit();
    StartFileSystem(kit);
    int32_t handles[49];
    for (int i = 0; i < 49; ++i)
    {
        ASSERT_GE(
            FS_FOpenFileRead(i % 2 ? "soundaliases/loose.csv" : "other/only.csv", &handles[i]), 0);
        EXPECT_EQ(handles[i], i + 1);
    }
    int32_t extra = -5;
    testing::internal::CaptureStdout();
    EXPECT_EQ(FS_FOpenFileRead("soundaliases/loose.csv", &extra), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: FS_HandleForFile: none free");
    EXPECT_EQ(extra, 0);

    FS_CloseHandle(handles[10]);
    EXPECT_EQ(FS_FOpenFileRead("soundaliases/loose.csv", &extra), 5);
    EXPECT_EQ(extra, 11);

    // Shutdown closes what is still open, reopened archive handles included.
    StopFileSystem();
    EXPECT_EQ(HandlesInUse(), 0);
}

TEST_F(FsFileAccess, DebugTraces)
{
    MakeKit();
    StartFileSystem(kit, {{"fs_debug", "1"}});
    Test_SetVerbose(true);
    testing::internal::CaptureStdout();
    ReadGameFile("soundaliases/both.csv");
    ReadGameFile("\\soundaliases\\loose.csv");
    ReadGameFile("\\nothing.csv");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "FS_FOpenFileRead: soundaliases/both.csv (found in '" +
                  ToolPath(kit + "/main/vd_00.vdz") +
                  "')\n"
                  "FS_FOpenFileRead: soundaliases/loose.csv (found in '" +
                  kit + "//raw')\nCan't find \\nothing.csv\n");
}

TEST_F(FsFileAccess, CopiesFilesFoundOnTheCdPath)
{
    // The copy makes the folders of the kit it lands in.
    std::string cd = dir / "cd";
    const std::string data = "cd data" + std::string(100000, 'z');
    WriteFile(cd + "/main/soundaliases/fromcd.csv", data);
    StartFileSystem(kit, {{"fs_cdpath", cd + "/"}, {"fs_copyfiles", "1"}});
    EXPECT_EQ(ReadGameFile("soundaliases/fromcd.csv"), data);
    EXPECT_EQ(ReadFile(kit + "/main/soundaliases/fromcd.csv"), data);
}

TEST_F(FsFileAccess, CallsBeforeStartUpAreReported)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadGameFile("soundaliases/x.csv"), "<missing>");
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("ERROR: Filesystem call made without initialization\n"),
              std::string::npos);

    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadGameFile(""), "<missing>");
    EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR: FS_ReadFile with empty name\n"),
              std::string::npos);
}
