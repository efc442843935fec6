// End-to-end: the build and the temporary folder may lie below folders that only their
// owner may pass, as root's home and every folder that mktemp -d makes. A run as the
// unprivileged user (when the test runs as root) still reaches its kit and its program.
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/target_layout.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

TEST(UnprivilegedRun, WorksWhenTheBuildAndTheTemporaryFolderArePrivate)
{
    ScopedDir owner;
    SetMode(owner.path(), 0700);
    MakeDirs(owner / "build");
    MakeDirs(owner / "tmp");
    fs::copy_file(AURALITH_BINARY, owner / "build/Auralith");
    const char *temp = getenv("TMPDIR");
    std::string previous = temp != nullptr ? temp : "";
    setenv("TMPDIR", (owner / "tmp").c_str(), 1);
    TestKit kit(true, ScopedDir::Reach::Everyone);
    if (temp != nullptr)
        setenv("TMPDIR", previous.c_str(), 1);
    else
        unsetenv("TMPDIR");
    kit.UseProgram(owner / "build/Auralith");
    kit.WriteSounds("a.csv", "name,file,compression", {{"s,s.wav,pcm", PcmWave(22050, 1, 100)}});

    KitRun run = kit.Run({}, ProcessOptions{true, -1});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_EQ(100u, ReadTargetLayout(ReadFile(kit / "raw/sound/s.wav")).privFrames);
    // The private folders stay as they were, and the kit is not in them.
    struct stat info;
    ASSERT_EQ(0, stat(owner.path().c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 07777);
    EXPECT_EQ(std::vector<std::string>{"build/Auralith"}, ListTree(owner.path()));
}
