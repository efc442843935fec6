// End-to-end: kits with hostile alias files, history files and archives, sound file
// names that try to leave the sound folders, and copies. Every run ends normally with
// its documented messages and records, and writes nothing outside the kit's output
// trees, the log, the history and the scratch folder (and the copy destination); the
// whole folder that holds the kit is compared before and after.
#include "tests/support/fs_archives.h"
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Fixed-seed bytes of every value, NUL, quotes, commas and line feeds included.
std::string Garbage(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

// Everything below root by its relative "/"-separated path, with what tells a change: the
// kind, and a file's last-write time and bytes or a link's target.
std::map<std::string, std::string> Snapshot(const std::string &root)
{
    std::map<std::string, std::string> snapshot;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
    {
        std::string &state = snapshot[fs::relative(it->path(), root, ignored).generic_string()];
        if (it->is_symlink(ignored))
            state = "link to " + fs::read_symlink(it->path(), ignored).string();
        else if (it->is_directory(ignored))
            state = "folder";
        else
            state = std::to_string(it->last_write_time(ignored).time_since_epoch().count()) + " " +
                    ReadFile(it->path().string());
    }
    return snapshot;
}

// A kit in its own folder, and what a run may change around it.
class HostileKit : public testing::Test
{
  protected:
    HostileKit() : parent(fs::path(kit.root()).parent_path().string()) {}

    // Runs Auralith and checks that the run ended on its own (no crash, no sanitizer
    // report) and changed nothing but what it may: the output trees, the log, the
    // history, the kit's lock file, the scratch folder, the fake encoders' log and the
    // paths in extra.
    KitRun Run(const std::vector<std::string> &args, const std::vector<std::string> &extra = {})
    {
        std::map<std::string, std::string> before = Snapshot(parent);
        KitRun run = kit.Run(args);
        EXPECT_GE(run.status, 0) << "the run did not end on its own";
        EXPECT_FALSE(Contains(run.err, "Sanitizer") || Contains(run.err, "runtime error"))
            << run.err;
        std::vector<std::string> allowed = {"kit/raw",
                                            "kit/devraw",
                                            "kit/bin/Auralith.log",
                                            "kit/bin/fake_encoder.log",
                                            "kit/sound_assets/Auralith.hst",
                                            "kit/sound_assets/Auralith.lock",
                                            "kit/sound_assets/tempEncodings"};
        allowed.insert(allowed.end(), extra.begin(), extra.end());
        std::map<std::string, std::string> after = Snapshot(parent);
        for (const auto &entry : before)
            EXPECT_EQ(1u, after.count(entry.first)) << "removed: " << entry.first;
        for (const auto &[path, state] : after)
        {
            auto old = before.find(path);
            bool inside = std::any_of(allowed.begin(), allowed.end(),
                                      [&](const std::string &place)
                                      { return path == place || path.rfind(place + "/", 0) == 0; });
            EXPECT_TRUE(inside || (old != before.end() && old->second == state))
                << "written: " << path;
        }
        return run;
    }

    TestKit kit;
    std::string parent;
};
} // namespace

// A header that lacks a column, more fields than the header has and the limit of 256
// columns are the alias text's unit test's, values of 63 characters the row rules', any
// text the fuzz target's (fuzz/fuzz_alias_file.cpp); here rows of garbage, a line of
// megabytes and an open quote run through to the output trees.
TEST_F(HostileKit, AliasFilesOfGarbageHugeLinesAndOpenQuotes)
{
    kit.WriteSounds("good.csv", "name,file", {{"good,good.wav", PcmWave(22050, 1, 100)}});
    kit.WriteAliasFile("garbage_header.csv", "name,file\n" + Garbage(20000, 2));
    kit.WriteAliasFile("line.csv",
                       "name,file\n" + std::string(4 << 20, 'a') + ",x.wav\nafter,good.wav\n");
    kit.WriteAliasFile("quote.csv", "name,file\nopen,\"good.wav\nnext,other.wav\n");

    KitRun run = Run({});
    // Refused values: one each in line.csv and garbage_header.csv; then the missing source
    // of the row whose quote never closes (its file holds a line break).
    EXPECT_EQ(3, run.status) << run.out;
    EXPECT_TRUE(Contains(run.out, "FILES: \t\t2\nUPDATED: \t1\nOPRHANS: \t0\nERRORS: \t3\n"))
        << run.out;
    EXPECT_TRUE(Contains(
        run.out,
        "ERROR: Sound alias file garbage_header.csv: alias entry missing name and/or file\n"));
    // Fields are cut to 1023 bytes by the tokenizer, records to 259 characters.
    EXPECT_TRUE(Contains(run.out, "ERROR: Sound alias file line.csv: Alias name '" +
                                      std::string(1023, 'a') + "' is longer than 63 characters\n"));
    EXPECT_TRUE(Contains(run.out, "ERROR: line.csv: " + std::string(259 - 10, 'a') +
                                      " Filename too long.\n"));
}

// The reader's messages, name limits and stops are the history unit test's, any bytes the
// fuzz target's (fuzz/fuzz_history.cpp); here the run goes on over a history of garbage
// and writes a whole new one.
TEST_F(HostileKit, HistoryFileOfGarbageGivesWayToANewOne)
{
    kit.WriteSounds("good.csv", "name,file,compression",
                    {{"good,good.wav,pcm", PcmWave(22050, 1, 100)}});
    WriteFile(kit / "sound_assets/Auralith.hst", Garbage(20000, 3));
    KitRun run = Run({});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_TRUE(Contains(run.out, "does not appear to be a valid history file")) << run.out;
    EXPECT_EQ("XUHISTORY 8\n\"good.wav\" 0 0 0 0 0\n", ReadFile(kit / "sound_assets/Auralith.hst"));
}

// Damaged and oversized members are the archive unit test's, a member that cannot be read
// the file system's; here archives that do not open are left out of the search path
// without a word.
TEST_F(HostileKit, ArchivesTruncatedAndForeign)
{
    kit.WriteSource("good.wav", PcmWave(22050, 1, 100));
    auto alias = [](const std::string &name) { return "name,file\n" + name + ",good.wav\n"; };
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, kit / "main/vd_good.vdz",
                         {{"soundaliases/good.csv", alias("good")}}, true));
    std::string cut = kit / "main/vd_cut_half.vdz";
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, cut,
                         {{"soundaliases/cut.csv", alias("cut") + Garbage(3000, 5)}}, true));
    std::string whole = ReadFile(cut);
    WriteFile(cut, whole.substr(0, whole.size() / 2));
    WriteFile(kit / "main/vd_cut_end.vdz", whole.substr(0, whole.size() - 10));
    WriteFile(kit / "main/vd_foreign.vdz", Garbage(5000, 6));

    KitRun run = Run({"-verbose"});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_TRUE(Contains(run.out, "adding alias good good.wav\n"));
    EXPECT_FALSE(Contains(run.out, "adding alias cut"));
    EXPECT_TRUE(Contains(run.out, "FILES: \t\t1\nUPDATED: \t1\n"));
}

TEST_F(HostileKit, SoundFilesThatLeaveTheSoundFolderAndCopiesStayInTheirTrees)
{
    kit.WriteAliasFile("paths.csv", "name,file,type\n"
                                    "up,../../../escape.wav,\n"
                                    "deep,weapons/../../../../x_##.wav,\n"
                                    "dots,weapons/.../y.wav,\n"
                                    "drive,C:/evil.wav,\n"
                                    "ads,music/theme.wav:stream,streamed\n"
                                    "shot,weapons/shot_##.wav,\n"
                                    "theme,music/theme.wav,streamed\n");
    kit.WriteSource("weapons/shot/01.wav", PcmWave(22050, 1, 10));
    kit.WriteSource("weapons/shot/02.wav/inside.wav",
                    PcmWave(22050, 1, 20)); // a folder: no variant
    kit.WriteSource("music/theme.wav", PcmWave(22050, 1, 30));
    WriteFile(kit / "escape.wav", PcmWave(22050, 1, 40));
    WriteFile(kit.root() + "/../escape.wav", PcmWave(22050, 1, 40));

    KitRun run = Run({});
    EXPECT_EQ(5, run.status) << run.out;
    // Each refused value is recorded; the exact message is the row rules' concern.
    for (const char *value : {"../../../escape.wav", "weapons/../../../../x_##.wav",
                              "weapons/.../y.wav", "C:/evil.wav", "music/theme.wav:stream"})
        EXPECT_TRUE(
            Contains(run.out, std::string("ERROR: paths.csv: ") + value + " Invalid character\n"))
            << value;
    EXPECT_EQ((std::vector<std::string>{"sound/music/theme.wav", "sound/weapons/shot/01.wav"}),
              ListTree(kit / "raw"));

    // The copy writes below the destination only, which lies outside the kit.
    std::string destination = parent + "/copies";
    run = Run({"-copy-streamed-to", destination}, {"copies"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(std::vector<std::string>{"raw/sound/music/theme.wav"}, ListTree(destination));
    EXPECT_EQ(ReadFile(kit / "raw/sound/music/theme.wav"),
              ReadFile(destination + "/raw/sound/music/theme.wav"));
}
