// The Windows backend's own promise: arguments reach the child whole, whatever they
// hold, and programs are found in the current folder only.
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
