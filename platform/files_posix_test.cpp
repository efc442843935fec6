// The POSIX backend where file permissions count: folders that may be passed through but
// not listed still lead to files.
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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
