// The output path: console and log alike, verbose prints, the length cut.
#include "engine/common/console.h"

#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>
#include <string>

TEST(ComConsole, PrintsGoToConsoleAndLogCutTo4095Characters)
{
    ScopedDir dir;
    bool verbose = false;
    std::string log = dir / "test.log";
    Com_CloseLog();
    Com_BindOutputOptions(&verbose, log.c_str());
    testing::internal::CaptureStdout();
    Com_ErrorPrint("x %d\n", 5);
    Com_Print(CHANNEL_VERBOSE, "hidden\n");
    Com_Print(CHANNEL_TOOL, "a path with %s in it\n", "%s");
    verbose = true;
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
    Com_CloseLog();
    Com_BindOutputOptions(nullptr, nullptr);
}
