// The Windows backend's own promises: arguments reach the child whole, whatever they
// hold, programs are found in the current folder only, and read-only files are kept.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(PlatformProcessWin32, SpawnPassesArgumentsWholeAndSearchesNoPath)
{
    ScopedDir dir;
    std::filesystem::copy_file(AURALITH_FAKE_ENCODER, dir / "Tool.exe");
    char previous[4096];
    ASSERT_TRUE(Plat_GetCwd(previous, sizeof(previous)));
    ASSERT_TRUE(Plat_SetCurrentDirectory(dir.path().c_str()));

    // The fake encoder logs its arguments and refuses a name it does not know with 2.
    const char *argv[] = {"tool.exe", "a\\b c\\d.wav", "say \"hi\"", "", "end\\", "-r", nullptr};
    EXPECT_EQ(2, Plat_SpawnWait(argv));
    EXPECT_EQ(0u, Plat_LastError());
    EXPECT_EQ("tool.exe\ta\\b c\\d.wav\tsay \"hi\"\t\tend\\\t-r\n",
              ReadTextOutput(dir / "fake_encoder.log"));

    const char *missing[] = {"cmd.exe", "/c", "exit 0", nullptr};
    EXPECT_EQ(-1, Plat_SpawnWait(missing)); // no search path: the system's cmd.exe is not found
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    ASSERT_TRUE(Plat_SetCurrentDirectory(previous));
}

TEST(PlatformFilesWin32, ReadOnlyFilesAreNeitherReplacedNorCopiedOver)
{
    namespace fs = std::filesystem;
    ScopedDir dir;
    WriteFile(dir / "out/target.wav", "protected");
    WriteFile(dir / "out/target.wav.tmp", "new");
    WriteFile(dir / "src.wav", "source");
    // On Windows, taking the write permission away sets the read-only attribute.
    fs::permissions(dir / "out/target.wav", fs::perms::all, fs::perm_options::remove);
    fs::permissions(dir / "out/target.wav", fs::perms::owner_read, fs::perm_options::add);

    EXPECT_FALSE(
        Plat_ReplaceFile((dir / "out/target.wav.tmp").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_FALSE(Plat_CopyFile((dir / "src.wav").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_EQ("protected", ReadFile(dir / "out/target.wav"));
    EXPECT_EQ("new", ReadFile(dir / "out/target.wav.tmp"));
    EXPECT_EQ((std::vector<std::string>{"out/target.wav", "out/target.wav.tmp", "src.wav"}),
              ListTree(dir.path()));

    fs::permissions(dir / "out/target.wav", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(
        Plat_ReplaceFile((dir / "out/target.wav.tmp").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ("new", ReadFile(dir / "out/target.wav"));
}
