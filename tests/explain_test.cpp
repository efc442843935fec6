// End-to-end: runs that explain themselves. "-dry-run" names every file a run would
// convert and why, and changes nothing; "-report-json" records a run, dry or real, in a
// document that the schema in docs/ accepts and that agrees with the printed report.
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Every file of the kit but the log, with its bytes and last-write time.
std::map<std::string, std::string> Tree(const TestKit &kit)
{
    std::map<std::string, std::string> tree;
    for (const std::string &file : ListTree(kit.root()))
        if (file != "bin/Auralith.log")
            tree[file] = ReadFile(kit / file) + "@" +
                         std::to_string(fs::last_write_time(kit / file).time_since_epoch().count());
    return tree;
}

// Validates the document against the schema and prints its counts as the report does,
// then one line per sound file: file, decision, reason, programs with their statuses,
// and the texts of its error records.
const char *const SUMMARY = R"(
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
document = json.load(open(sys.argv[2]))
jsonschema.validate(document, schema)
counts = document["counts"]
print("FILES: \t\t%d\nUPDATED: \t%d" % (counts["files"], counts["updated"]))
if counts["orphans"] is not None:
    print("OPRHANS: \t%d" % counts["orphans"])
if counts["errors"]:
    print("ERRORS: \t%d" % counts["errors"])
for f in document["soundFiles"]:
    programs = " ".join("%s:%d" % (p["program"], p["exitStatus"]) for p in f["programs"])
    errors = "|".join(document["errors"][i]["text"] for i in f["errors"])
    print("%s %s (%s) [%s] {%s}" % (f["file"], f["decision"], f["reason"], programs, errors))
)";

// The summary of the record in the kit's folder (run.json), made there by the script.
std::string Summary(const TestKit &kit)
{
    WriteFile(kit / "summary.py", SUMMARY);
    ProcessResult result =
        RunProcess(AURALITH_PYTHON_PROGRAM,
                   {"summary.py",
                    std::string(AURALITH_SOURCE_DIR) + "/docs/report-json.schema.json", "run.json"},
                   kit.root());
    EXPECT_EQ(0, result.status) << result.err;
    return result.out;
}

// A kit converted once, then changed so that each reason applies to one sound.
struct ChangedKit
{
    TestKit kit;
    ChangedKit()
    {
        kit.WriteSounds("a.csv", "name,file,compression",
                        {{"a,a/same.wav,", PcmWave(22050, 1, 1000)},
                         {"b,b/setting.wav,", PcmWave(22050, 1, 1100)},
                         {"c,c/gone.wav,", PcmWave(22050, 1, 1200)},
                         {"d,d/newer.wav,", PcmWave(22050, 1, 1300)}});
        EXPECT_EQ(0, kit.Run({}).status);
        std::string history = ReadFile(kit / "sound_assets/Auralith.hst");
        const std::string record = "\"b/setting.wav\" 0";
        history.replace(history.find(record), record.size(), "\"b/setting.wav\" 7");
        WriteFile(kit / "sound_assets/Auralith.hst", history);
        kit.WriteSounds("b.csv", "name,file", {{"e,e/new.wav", PcmWave(22050, 1, 1400)}});
        RemoveFile(kit / "raw/sound/c/gone.wav");
        for (const std::string &file : ListTree(kit / "raw"))
            SetFileTime(kit / ("raw/" + file), 1600000000);
        for (const std::string &file : ListTree(kit / "sound_assets/raw"))
            SetFileTime(kit / ("sound_assets/raw/" + file), 1500000000);
        SetFileTime(kit / "sound_assets/raw/sound/d/newer.wav", 1700000000);
    }
};
} // namespace

TEST(Explain, DryRunNamesEachReasonChangesNothingAndTheRealRunConvertsJustThose)
{
    ChangedKit changed;
    TestKit &kit = changed.kit;
    std::map<std::string, std::string> before = Tree(kit);
    KitRun dry = kit.Run({"-dry-run"});
    EXPECT_EQ(0, dry.status) << dry.out;
    const std::string listed =
        "would convert sound_assets\\raw\\sound\\b\\setting.wav -> raw\\sound\\b\\setting.wav "
        "(compression setting changed)\n"
        "would convert sound_assets\\raw\\sound\\c\\gone.wav -> raw\\sound\\c\\gone.wav (target "
        "missing)\n"
        "would convert sound_assets\\raw\\sound\\d\\newer.wav -> raw\\sound\\d\\newer.wav "
        "(source newer than target)\n"
        "would convert sound_assets\\raw\\sound\\e\\new.wav -> raw\\sound\\e\\new.wav (no "
        "history record)\n";
    EXPECT_EQ(listed + "ERROR: \n\n---------------------------\n\tOrphans\n"
                       "---------------------------\n\n---------------------------\nFILES: \t\t5\n"
                       "UPDATED: \t0\nOPRHANS: \t0\n----------------------------",
              dry.out);
    EXPECT_EQ(dry.out, dry.log);
    EXPECT_EQ(before, Tree(kit)) << "the dry run changed the kit";

    KitRun real = kit.Run({"-verbose"});
    EXPECT_EQ(0, real.status) << real.out;
    std::string processed;
    for (const char *file : {"b\\setting", "c\\gone", "d\\newer", "e\\new"})
        processed += std::string("Process sound_assets\\raw\\sound\\") + file +
                     ".wav -> raw\\sound\\" + file + ".wav\n";
    std::string shown;
    for (size_t at = 0; (at = real.out.find("Process ", at)) != std::string::npos;)
    {
        size_t end = real.out.find('\n', at) + 1;
        shown += real.out.substr(at, end - at);
        at = end;
    }
    EXPECT_EQ(processed, shown);
    EXPECT_TRUE(kit.Run({"-dry-run"}).out.find("would convert") == std::string::npos);

    // A dry run goes through a conversion run; it has no side action.
    KitRun refused = kit.Run({"-dry-run", "-list"});
    EXPECT_EQ(1, refused.status);
    EXPECT_EQ(0u, refused.out.find("ERROR: '-dry-run' goes through a conversion run; it cannot be "
                                   "combined with -list, -list-streamed, -list-resident, "
                                   "-copy-streamed-to, -check3d or -check-priv\nUSAGE: "))
        << refused.out;
}

TEST(Explain, RecordsOfDryAndRealRunsMatchTheirReports)
{
    ChangedKit changed;
    TestKit &kit = changed.kit;
    kit.WriteSounds("c.csv", "name,file,compression",
                    {{"w,w/wide.wav,adpcm", PcmWave(48000, 2, 5000)},
                     {"m,m/missing.wav,", ""},
                     {"a2,a/same.wav,", ""}});
    kit.SetEncoderRules("fail AdpcmEncode.exe\n");

    std::string expected[] = {
        // a dry run
        "a/same.wav up to date () [] {}\n"
        "b/setting.wav converted (compression setting changed) [] {}\n"
        "c/gone.wav converted (target missing) [] {}\n"
        "d/newer.wav converted (source newer than target) [] {}\n"
        "e/new.wav converted (no history record) [] {}\n"
        "m/missing.wav failed (source missing) [] {" +
            (kit / "sound_assets/devraw/sound/m/missing.wav") +
            "}\n"
            "w/wide.wav converted (no history record) [] {}\n",
        // a real run: the ADPCM encoder fails; PCM stands in where it is allowed
        "a/same.wav up to date () [] {}\n"
        "b/setting.wav converted (compression setting changed) [AdpcmEncode.exe:1] {}\n"
        "c/gone.wav converted (target missing) [AdpcmEncode.exe:1] {}\n"
        "d/newer.wav converted (source newer than target) [AdpcmEncode.exe:1] {}\n"
        "e/new.wav converted (no history record) [AdpcmEncode.exe:1] {}\n"
        "m/missing.wav failed (source missing) [] {" +
            (kit / "sound_assets/devraw/sound/m/missing.wav") +
            "}\n"
            "w/wide.wav failed (no history record) [sox.exe:0 AdpcmEncode.exe:1] {during "
            "encode of " +
            ToolPath(kit / "sound_assets/raw/sound/w/wide.wav") +
            " tried:  adpcm pcm|during encoding " +
            ToolPath(kit / "sound_assets/raw/sound/w/wide.wav") + "}\n",
    };
    int round = 0;
    for (const char *dry : {"-dry-run", "-verbose"})
    {
        SCOPED_TRACE(dry);
        KitRun run = kit.Run({dry, "-report-json", "../run.json", "-aliasfiles", "a,b,c"});
        std::string summary = Summary(kit);
        size_t counts = run.out.find("FILES:");
        ASSERT_NE(std::string::npos, counts) << run.out;
        std::string printed = run.out.substr(counts);
        printed = printed.substr(0, printed.find("----------------------------"));
        EXPECT_EQ(printed, summary.substr(0, printed.size()));
        EXPECT_EQ(expected[round++], summary.substr(printed.size()));
    }

    // A record that cannot be written is an error record; the run goes on.
    KitRun unwritable = kit.Run({"-report-json", "no/such/folder/run.json"});
    EXPECT_EQ(4, unwritable.status) << unwritable.out;
    EXPECT_NE(
        std::string::npos,
        unwritable.out.find("ERROR: no/such/folder/run.json Unable to open file for write.\n"))
        << unwritable.out;
}
