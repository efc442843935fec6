// The operating-system layer as logic code sees it: backslash paths, names that differ
// only in case, Windows-numbered error codes, read-only files, file times, programs.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/lock.h"
#include "platform/mapping.h"
#include "platform/process.h"
#include "platform/system.h"
#include "tests/support/test_kit.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> Enumerate(const std::string &pattern, uint32_t *endCode)
{
    std::vector<std::string> names;
    PlatFindData data;
    PlatFind *find = Plat_FindFirst(pattern.c_str(), &data);
    if (find == nullptr)
    {
        *endCode = Plat_LastError();
        return names;
    }
    do
        names.push_back(std::string(data.name) + (data.isDirectory ? "/" : ""));
    while (Plat_FindNext(find, &data));
    *endCode = Plat_LastError();
    Plat_FindClose(find);
    return names;
}
} // namespace

// Mappings reach a file by a backslash path in another case (reads of such names are
// FsFileAccess's, read tests, times and folder tests files_cache_test.cpp's); missing files
// and folders keep their Windows codes.
TEST(PlatformFiles, MappingsReachFilesInAnyCaseAndMissingPathsKeepWindowsCodes)
{
    ScopedDir dir;
    WriteFile(dir / "Raw/Sound/Door.WAV", "door");
    PlatMapping mapping;
    ASSERT_TRUE(Plat_MapFile(ToolPath(dir / "raw/sound/door.wav").c_str(), &mapping));
    EXPECT_EQ(4u, mapping.size);
    EXPECT_EQ(0, memcmp(mapping.data, "door", 4));
    Plat_UnmapFile(&mapping);

    MakeDirs(dir / "a");
    EXPECT_EQ(nullptr, Plat_FOpen((dir / "a/missing.wav").c_str(), "rb"));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    EXPECT_EQ(nullptr, Plat_FOpen((dir / "b/missing.wav").c_str(), "rb"));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());
    EXPECT_EQ(nullptr, Plat_FOpen((dir / "b/new.wav").c_str(), "wb"));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());
    EXPECT_EQ(nullptr, Plat_FOpen((dir / "A").c_str(), "rb"));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_FALSE(Plat_RemoveFile((dir / "a/missing.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());

    char message[260];
    EXPECT_TRUE(Plat_ErrorMessage(PLAT_ERROR_ACCESS_DENIED, message, sizeof(message)));
    EXPECT_NE(0u, strlen(message));
    EXPECT_FALSE(Plat_ErrorMessage(0, message, sizeof(message)));
    EXPECT_STREQ("", message);
}

TEST(PlatformFiles, WritesReuseTheExistingSpellingOfFoldersAndFiles)
{
    ScopedDir dir;
    WriteFile(dir / "Raw/Sound/Door.WAV", "old");

    FILE *file = Plat_FOpen((dir / "raw/sound/door.wav").c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fputs("new", file);
    fclose(file);
    EXPECT_EQ(std::vector<std::string>{"Raw/Sound/Door.WAV"}, ListTree(dir.path()));
    EXPECT_EQ("new", ReadFile(dir / "Raw/Sound/Door.WAV"));

    // A folder that differs only in case exists already; nothing new is made.
    EXPECT_FALSE(Plat_MakeDir((dir / "raw\\SOUND").c_str()));
    EXPECT_EQ(PLAT_ERROR_ALREADY_EXISTS, Plat_LastError());
    EXPECT_FALSE(Plat_MakeDir((dir / "missing\\child").c_str()));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());

    // What the tool makes and removes is found in any case at once.
    EXPECT_TRUE(Plat_MakeDir((dir / "raw\\sound\\Weapons").c_str()));
    file = Plat_FOpen((dir / "RAW/SOUND/weapons/b.wav").c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fclose(file);
    EXPECT_TRUE(FileExists(dir / "Raw/Sound/Weapons/b.wav"));
    EXPECT_TRUE(Plat_RemoveFile((dir / "raw/sound/WEAPONS/B.WAV").c_str()));
    EXPECT_FALSE(Plat_CanRead((dir / "raw/sound/weapons/b.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    EXPECT_TRUE(Plat_RemoveDir((dir / "raw/sound/WEAPONS").c_str()));
    EXPECT_EQ(std::vector<std::string>{"Raw/Sound/Door.WAV"}, ListTree(dir.path()));
    EXPECT_FALSE(FileExists(dir / "Raw/Sound/Weapons"));
}

TEST(PlatformFind, EnumerationListsDotEntriesFoldersAndEndsWithNoMoreFiles)
{
    ScopedDir dir;
    WriteFile(dir / "Top/b.vdz", "");
    WriteFile(dir / "Top/A.VDZ", "");
    WriteFile(dir / "Top/c.txt", "");
    MakeDirs(dir / "Top/Sub");

    uint32_t code = 0;
    std::vector<std::string> all = Enumerate(ToolPath(dir / "top/*"), &code);
    EXPECT_EQ(PLAT_ERROR_NO_MORE_FILES, code);
    std::vector<std::string> expected = {"./", "../", "A.VDZ", "b.vdz", "c.txt", "Sub/"};
    EXPECT_EQ(expected, all);

    std::vector<std::string> archives = Enumerate(dir / "TOP\\*.vdz", &code);
    EXPECT_EQ((std::vector<std::string>{"A.VDZ", "b.vdz"}), archives);
    EXPECT_EQ(PLAT_ERROR_NO_MORE_FILES, code);

    EXPECT_TRUE(Enumerate(dir / "top\\*.csv", &code).empty());
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, code);
    EXPECT_TRUE(Enumerate(dir / "nothere\\*", &code).empty());
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, code);
}

TEST(PlatformFiles, CopiesReplaceKeepingTheSourceTimeAndReadOnlyFilesAreKept)
{
    ScopedDir dir;
    WriteFile(dir / "Src/Music.wav", "music");
    SetFileTime(dir / "Src/Music.wav", 1000000000);
    WriteFile(dir / "Dst/music.WAV", "older");

    ASSERT_TRUE(Plat_CopyFile((dir / "src\\music.wav").c_str(), (dir / "dst\\music.wav").c_str()));
    EXPECT_EQ((std::vector<std::string>{"Dst/music.WAV", "Src/Music.wav"}), ListTree(dir.path()));
    EXPECT_EQ("music", ReadFile(dir / "Dst/music.WAV"));
    uint64_t source = 0, copy = 0;
    ASSERT_TRUE(Plat_GetLastWriteTime((dir / "src/music.wav").c_str(), &source));
    ASSERT_TRUE(Plat_GetLastWriteTime((dir / "dst/music.wav").c_str(), &copy));
    EXPECT_EQ(source, copy);

    EXPECT_FALSE(Plat_CopyFile((dir / "src/none.wav").c_str(), (dir / "dst/none.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    EXPECT_FALSE(Plat_CopyFile((dir / "src/music.wav").c_str(), (dir / "nowhere/x.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());

    // Read-only targets are kept; writable ones are replaced in any case.
    ScopedDir kept;
    WriteFile(kept / "Out/Target.wav", "protected");
    WriteFile(kept / "Out/target.wav.tmp", "new");
    WriteFile(kept / "src.wav", "source");
    SetMode(kept / "Out/Target.wav", 0444);
    std::string target = kept / "out\\TARGET.wav";
    EXPECT_FALSE(Plat_ReplaceFile((kept / "out/target.wav.tmp").c_str(), target.c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_FALSE(Plat_CopyFile((kept / "src.wav").c_str(), target.c_str()));
    EXPECT_EQ(PLAT_ERROR_ACCESS_DENIED, Plat_LastError());
    EXPECT_EQ("protected", ReadFile(kept / "Out/Target.wav"));
    EXPECT_EQ((std::vector<std::string>{"Out/Target.wav", "Out/target.wav.tmp", "src.wav"}),
              ListTree(kept.path()));

    SetMode(kept / "Out/Target.wav", 0644);
    ASSERT_TRUE(Plat_ReplaceFile((kept / "out\\target.wav.tmp").c_str(), target.c_str()));
    EXPECT_EQ((std::vector<std::string>{"Out/Target.wav", "src.wav"}), ListTree(kept.path()));
    EXPECT_EQ("new", ReadFile(kept / "Out/Target.wav"));
}

TEST(PlatformTime, FileTimesCountHundredNanosecondsSince1601)
{
    EXPECT_EQ(116444736000000000ull, Plat_UnixToFileTime(0, 0));
    EXPECT_EQ(116444736000000000ull + 10000000ull * 86400 + 1, Plat_UnixToFileTime(86400, 100));
    ScopedDir dir;
    WriteFile(dir / "t.wav", "");
    SetFileTime(dir / "t.wav", 1700000000);
    uint64_t time = 0;
    ASSERT_TRUE(Plat_GetLastWriteTime((dir / "T.WAV").c_str(), &time));
    EXPECT_EQ(Plat_UnixToFileTime(1700000000, 0), time);
    uint64_t now = Plat_SystemFileTime();
    EXPECT_GT(now, Plat_UnixToFileTime(1700000000, 0));
}

TEST(PlatformProcess, SpawnRunsProgramsOfTheCurrentFolderOnly)
{
    if (!HostIsPosix())
        GTEST_SKIP() << "POSIX only: the program is a shell script (see platform_win32_test.cpp)";
    ScopedDir dir;
    WriteFile(dir / "Tool.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > args.txt\nexit 7\n");
    SetMode(dir / "Tool.sh", 0755);
    char previous[4096];
    ASSERT_TRUE(Plat_GetCwd(previous, sizeof(previous)));
    ASSERT_TRUE(Plat_SetCurrentDirectory(dir.path().c_str()));

    const char *argv[] = {"tool.sh", "a\\b\\c.wav", "-r", "22050", nullptr};
    EXPECT_EQ(7, Plat_SpawnWait(argv));
    EXPECT_EQ("a/b/c.wav|-r|22050|", ReadFile(dir / "args.txt"));

    const char *missing[] = {"sh", "-c", "exit 0", nullptr};
    EXPECT_EQ(-1, Plat_SpawnWait(missing)); // no search path: /bin/sh is not found
    EXPECT_EQ(PLAT_ERROR_FILE_NOT_FOUND, Plat_LastError());
    ASSERT_TRUE(Plat_SetCurrentDirectory(previous));
}

TEST(PlatformLock, OneHolderAtATimeAndTheFileStays)
{
    ScopedDir dir;
    std::string path = ToolPath(dir / "kit.lock");
    PlatLock *first = Plat_LockFile(path.c_str(), false);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(nullptr, Plat_LockFile(path.c_str(), false));
    EXPECT_EQ(PLAT_ERROR_LOCK_VIOLATION, Plat_LastError());
    Plat_UnlockFile(first);
    PlatLock *second = Plat_LockFile(path.c_str(), true);
    EXPECT_NE(nullptr, second);
    Plat_UnlockFile(second);
    EXPECT_TRUE(FileExists(dir / "kit.lock"));
    EXPECT_EQ(nullptr, Plat_LockFile(ToolPath(dir / "missing/kit.lock").c_str(), false));
}

TEST(PlatformFiles, NewFilesNeverWriteThroughWhatWasThere)
{
    // A hard link shares its file: writing through the old name would change the other.
    ScopedDir dir;
    WriteFile(dir / "elsewhere", "kept");
    std::filesystem::create_hard_link(dir / "elsewhere", dir / "x.tmp");
    FILE *file = Plat_CreateNewFile(ToolPath(dir / "X.TMP").c_str());
    ASSERT_NE(nullptr, file);
    fputs("new", file);
    fclose(file);
    EXPECT_EQ("kept", ReadFile(dir / "elsewhere"));
    EXPECT_EQ((std::vector<std::string>{"elsewhere", "x.tmp"}), ListFolder(dir.path()));
    EXPECT_EQ("new", ReadFile(dir / "x.tmp"));
    EXPECT_EQ(nullptr, Plat_CreateNewFile(ToolPath(dir / "missing/x.tmp").c_str()));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());
}
