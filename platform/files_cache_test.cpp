// What a run asks folder by folder (read tests, last-write times, folder tests) stays
// right while the layer keeps folders and listings at hand: across removals, renewals,
// names that differ only in case and files that the tool itself creates.
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/scoped_dir.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

TEST(PlatformFolders, AnswersFollowTheFolderOnDisk)
{
    ScopedDir dir;
    WriteFile(dir / "Src/A.wav", "old");
    uint64_t time = 0;
    EXPECT_TRUE(Plat_CanRead((dir / "Src/A.wav").c_str()));
    EXPECT_TRUE(Plat_GetLastWriteTime((dir / "Src/A.wav").c_str(), &time));
    // A name that differs only in case, in a folder spelled as on disk and in one that is not.
    EXPECT_TRUE(Plat_CanRead((dir / "Src/a.WAV").c_str()));
    EXPECT_TRUE(Plat_GetLastWriteTime((dir / "src\\A.WAV").c_str(), &time));
    // A missing name, answered from the listing the case lookup read, and then made by the
    // tool itself.
    EXPECT_FALSE(Plat_CanRead((dir / "Src/A.pc.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    FILE *file = Plat_FOpen((dir / "Src/A.pc.wav").c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fclose(file);
    EXPECT_TRUE(Plat_CanRead((dir / "src/a.PC.wav").c_str()));
    EXPECT_TRUE(Plat_CopyFile((dir / "Src/A.wav").c_str(), (dir / "Src/B.wav").c_str()));
    EXPECT_TRUE(Plat_CanRead((dir / "Src/b.wav").c_str()));

    // The folder goes away behind the layer's back and comes again with other files.
    std::filesystem::remove_all(dir / "Src");
    EXPECT_FALSE(Plat_GetLastWriteTime((dir / "Src/A.wav").c_str(), &time));
    EXPECT_FALSE(Plat_IsDirectory((dir / "Src").c_str()));
    WriteFile(dir / "Src/C.wav", "new");
    EXPECT_TRUE(Plat_GetLastWriteTime((dir / "Src/C.wav").c_str(), &time));
    EXPECT_FALSE(Plat_GetLastWriteTime((dir / "Src/A.wav").c_str(), &time));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());

    // The tool removes and makes a folder of the same name.
    EXPECT_TRUE(Plat_RemoveFile((dir / "Src/C.wav").c_str()));
    EXPECT_TRUE(Plat_RemoveDir((dir / "Src").c_str()));
    EXPECT_TRUE(Plat_MakeDir((dir / "Src").c_str()));
    file = Plat_FOpen((dir / "Src/D.wav").c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fclose(file);
    EXPECT_TRUE(Plat_CanRead((dir / "Src/D.wav").c_str()));
    EXPECT_TRUE(Plat_GetLastWriteTime((dir / "Src/D.wav").c_str(), &time));
    EXPECT_TRUE(Plat_IsDirectory((dir / "SRC").c_str()));
}

TEST(PlatformFolders, ATimeReadAfterAReadTestIsNeverOlderThanTheToolsOwnChange)
{
    // A read test may keep the status it took for the time asked next; a change the tool
    // makes in between must not leave that status to be given out.
    namespace fs = std::filesystem;
    ScopedDir dir;
    const std::string path = dir / "Src/A.wav";
    WriteFile(path, "old");
    const auto early = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(path, early);
    ASSERT_TRUE(Plat_CanRead(path.c_str()));
    FILE *file = Plat_FOpen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fclose(file);
    fs::last_write_time(path, early + std::chrono::hours(24 * 30));
    uint64_t kept = 0, fresh = 0;
    ASSERT_TRUE(Plat_GetLastWriteTime(path.c_str(), &kept));
    ASSERT_TRUE(Plat_GetLastWriteTime(path.c_str(), &fresh));
    EXPECT_EQ(fresh, kept);
    ASSERT_TRUE(Plat_CanRead(path.c_str()));
    ASSERT_TRUE(Plat_GetLastWriteTime(path.c_str(), &kept));
    EXPECT_EQ(fresh, kept);
}
