// Listings across the search path and in one OS folder.
#include "engine/fs/listing.h"

#include "engine/dvar/dvar.h"
#include "tests/support/fs_archives.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Strings = std::vector<std::string>;
using Lister = const char **(*)(const char *folder, const char *extension, int *countOut);

// The names a lister gives, checked to end with a null and then released.
Strings List(Lister list, void (*release)(const char **), const std::string &folder,
             const char *extension)
{
    int count = -1;
    const char **names = list(folder.c_str(), extension, &count);
    if (names == nullptr)
    {
        EXPECT_EQ(count, 0);
        return {};
    }
    Strings taken(names, names + count);
    EXPECT_EQ(names[count], nullptr);
    release(names);
    return taken;
}

Strings ListGameFolder(const char *gamePath, const char *extension)
{
    return List(FS_ListFilteredFiles, FS_ReleaseFileList, gamePath, extension);
}

Strings ListOSFolder(const std::string &folder, const char *extension)
{
    return List(Sys_ListFiles, Sys_ReleaseFileList, folder, extension);
}
} // namespace

// Names that differ in case only are listed once: FsListing.ListsOneLevelWithTheExtension.
TEST(FsListingRules, SplitDirectoryAndAFullList)
{
    // The length of the folder part and the folder depth.
    const struct
    {
        const char *path;
        int length, depth;
    } cases[] = {{"a/b/c.csv", 3, 2}, {"a\\b/", 3, 1}, {"abc", 0, 0}, {"/", 0, 0}};
    for (const auto &split : cases)
    {
        SCOPED_TRACE(split.path);
        int depth = -1;
        EXPECT_EQ(FS_SplitDirectory(split.path, &depth), split.length);
        EXPECT_EQ(depth, split.depth);
    }
    const char *list[FS_MAX_LISTED + 1] = {};
    EXPECT_EQ(FS_AddNameToList(nullptr, "gamma.csv", list, FS_MAX_LISTED), FS_MAX_LISTED);
}

TEST(FsListingRules, OSFolders)
{
    ScopedDir dir;
    WriteFile(dir / "list/a.csv", "");
    WriteFile(dir / "list/B.CSV", "");
    WriteFile(dir / "list/c.csvx", "");
    WriteFile(dir / "list/d.txt", "");
    MakeDirs(dir / "list/folder.csv");
    EXPECT_EQ(ListOSFolder(dir / "list", "csv"), (Strings{"a.csv", "B.CSV"}));
    EXPECT_EQ(ListOSFolder(dir / "list", "vdz"), Strings{});
    EXPECT_EQ(ListOSFolder(dir / "missing", "csv"), Strings{});

    MakeDirs(dir / "empty");
    MakeDirs(dir / "cvs/CVS");
    MakeDirs(dir / "cvsfile/cvs");
    WriteFile(dir / "cvsfile/x", "");
    MakeDirs(dir / "sub/x");
    EXPECT_FALSE(Sys_DirectoryHasEntries((dir / "empty").c_str()));
    EXPECT_FALSE(Sys_DirectoryHasEntries((dir / "cvs").c_str()));
    EXPECT_FALSE(Sys_DirectoryHasEntries((dir / "missing").c_str()));
    EXPECT_TRUE(Sys_DirectoryHasEntries((dir / "cvsfile").c_str()));
    EXPECT_TRUE(Sys_DirectoryHasEntries((dir / "sub").c_str()));
    EXPECT_TRUE(Sys_DirectoryHasEntries((dir / "list").c_str()));
}

using FsListing = FsKitTest;

TEST_F(FsListing, ListsOneLevelWithTheExtension)
{
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, kit + "/main/vd_00.vdz",
                         {{"soundaliases/a.csv", "a"},
                          {"soundaliases/B.CSV", "b"},
                          {"soundaliases/sub/x.csv", "x"},
                          {"soundaliases/x.csvx", "x"},
                          {"soundaliases/csv", "x"},
                          {"other/x.csv", "x"},
                          {"soundaliasesx/y.csv", "y"}},
                         true));
    WriteFile(kit + "/raw/soundaliases/c.csv", "c");
    WriteFile(kit + "/raw/soundaliases/A.CSV", "a"); // listed as the archive of main spells it
    WriteFile(kit + "/raw/soundaliases/sub/z.csv", "z");
    WriteFile(kit + "/raw/soundaliases/d.csvx", "d");
    MakeDirs(kit + "/raw/soundaliases/e.csv");
    StartFileSystem(kit);

    EXPECT_EQ(ListGameFolder("soundaliases", "csv"), (Strings{"a.csv", "b.csv", "c.csv"}));
    EXPECT_EQ(ListGameFolder("\\SoundAliases/", "csv"), (Strings{"a.csv", "b.csv", "c.csv"}));
    EXPECT_EQ(ListGameFolder("soundaliases/sub", "csv"), (Strings{"x.csv", "z.csv"}));
    EXPECT_EQ(ListGameFolder("soundaliases", "csvx"), (Strings{"x.csvx", "d.csvx"}));
    EXPECT_EQ(ListGameFolder("soundaliases", "txt"), Strings{});
    EXPECT_EQ(ListGameFolder("sound..aliases", "csv"), Strings{});
}

TEST_F(FsListing, LocalizedEntriesCanBeIgnored)
{
    WriteFile(kit + "/main/soundaliases/plain.csv", "");
    WriteFile(kit + "/main/english/soundaliases/spoken.csv", "");
    ASSERT_TRUE(WriteZip(ZipWriter::Python, kit + "/main/localized_english_00.vdz",
                         {{"soundaliases/zipped.csv", ""}}, true));
    StartFileSystem(kit);
    EXPECT_EQ(ListGameFolder("soundaliases", "csv"),
              (Strings{"plain.csv", "zipped.csv", "spoken.csv"}));
    Dvar_SetFromString(Dvar_FindVar("fs_ignoreLocalized"), "1");
    EXPECT_EQ(ListGameFolder("soundaliases", "csv"), Strings{"plain.csv"});
}
