// The POSIX backend where file permissions count: read-only files are kept as Windows
// keeps them, and folders that may be passed through but not listed still lead to files.
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

TEST(PlatformFiles, ReadOnlyFilesAreNeitherReplacedNorCopiedOver)
{
    ScopedDir dir;
    WriteFile(dir / "out/target.wav", "protected");
    WriteFile(dir / "out/target.wav.tmp", "new");
    WriteFile(dir / "src.wav", "source");
    chmod((dir / "out/target.wav").c_str(), 0444);

    EXPECT_FALSE(
        Plat_ReplaceFile((dir / "out/target.wav.tmp").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_FALSE(Plat_CopyFile((dir / "src.wav").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_EQ("protected", ReadFile(dir / "out/target.wav"));
    EXPECT_EQ("new", ReadFile(dir / "out/target.wav.tmp"));

    chmod((dir / "out/target.wav").c_str(), 0644);
    EXPECT_TRUE(
        Plat_ReplaceFile((dir / "out/target.wav.tmp").c_str(), (dir / "out/target.wav").c_str()));
    EXPECT_EQ("new", ReadFile(dir / "out/target.wav"));
}

TEST(PlatformFiles, FilesAreCreatedBelowFoldersThatMayBePassedButNotListed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root lists every folder; the end-to-end runs as an unprivileged user "
                        "cover this case";
    ScopedDir dir;
    MakeDirs(dir / "pass/out");
    chmod((dir / "pass").c_str(), 0300);
    FILE *file = Plat_FOpen((dir / "pass\\out\\x.wav").c_str(), "wb");
    EXPECT_NE(nullptr, file);
    if (file != nullptr)
        fclose(file);
    EXPECT_TRUE(Plat_MakeDir((dir / "pass/out/sub").c_str()));
    chmod((dir / "pass").c_str(), 0755);
    EXPECT_TRUE(FileExists(dir / "pass/out/x.wav"));
    EXPECT_TRUE(FileExists(dir / "pass/out/sub"));
}
