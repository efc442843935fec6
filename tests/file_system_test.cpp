// End-to-end: alias files found through game folders and .vdz archives.
#include "tests/support/fs_archives.h"
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

namespace
{
std::string AliasFile(const std::string &alias, const std::string &file)
{
    return "name,file,compression,spatialized\n" + alias + "," + file + ",pcm,3d\n";
}

// The "adding alias" lines of a verbose run, in the order the alias files were read.
std::vector<std::string> AddedAliases(const std::string &out)
{
    std::vector<std::string> aliases;
    for (size_t at = out.find("adding alias "); at != std::string::npos;
         at = out.find("adding alias ", at + 1))
        aliases.push_back(out.substr(at + 13, out.find(' ', at + 13) - at - 13));
    return aliases;
}
} // namespace

TEST(FileSystemRun, AliasFilesComeFromFoldersAndArchivesInSearchOrder)
{
    TestKit kit;
    for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav", "f.wav"})
        kit.WriteSource(name, PcmWave(22050, 2, 10));
    kit.WriteAliasFile("weapons.csv", AliasFile("folder_weapons", "a.wav"), "main");
    kit.WriteAliasFile("Ambience.CSV", AliasFile("raw_ambience", "b.wav"), "raw");
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, kit / "main/vd_00.vdz",
                         {{"soundaliases/Vehicles.csv", AliasFile("archive_vehicles", "c.wav")},
                          {"soundaliases/weapons.csv", AliasFile("archive_weapons", "d.wav")}},
                         true));
    ASSERT_TRUE(WriteZip(ZipWriter::Python, kit / "main/patch.vdz",
                         {{"soundaliases/patch.csv", AliasFile("main_patch", "e.wav")}}, false));
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, kit / "main/english/localized_english_00.vdz",
                         {{"soundaliases/voice.csv", AliasFile("english_voice", "f.wav")}}, true));

    KitRun run = kit.Run({"-verbose"});
    EXPECT_EQ(0, run.status) << run.out;
    // The alias files in the order the listing gives them (the search path's worked example
    // is the unit test's): main's archives, raw, localized last. The weapons.csv of the
    // archive hides the folder's; patch.vdz is no archive of main.
    std::vector<std::string> expected = {"archive_vehicles", "archive_weapons", "raw_ambience",
                                         "english_voice"};
    EXPECT_EQ(expected, AddedAliases(run.out));
    EXPECT_EQ(std::string::npos, run.out.find("Invalid VDZ"))
        << "start-up prints before -verbose is read";

    // How names from archives are spelled is the listing's unit test's (FsListing).
    run = kit.Run({"-aliasfiles", "vehicles,ambience.txt,none", "-verbose", "-clean"});
    EXPECT_EQ((std::vector<std::string>{"archive_vehicles", "raw_ambience"}),
              AddedAliases(run.out));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.out.find("ERROR: missing file soundaliases/none.csv\n"));
}
