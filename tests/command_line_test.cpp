// End-to-end: the command line, the usage text, the log file and the exit statuses.
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

namespace
{
// The usage text, line by line: each option padded to 22 characters.
std::string Usage()
{
    struct Line
    {
        const char *option;
        const char *text;
    };
    const Line lines[] = {
        {"-clean", "                 -- will force the update process to be run on all sounds, ignoring the history."},
        {"-lang", "                 -- will set the localized language directory to the param that follows it. if "
                  "this switch is not used, the language will remain set to 'english'."},
        {"-optimize_compression", "                 -- will enable optimizing compression to the highest level "
                                  "that is equal in filesize to the requested compression level."},
        {"-log", " <filename>      -- will use the specified filename as the log file."},
        {"-verbose", "                 -- will print all debugging output."},
        {"-sync", "                 -- will open a new changelist in perforce for edited files and delete oprphaned "
                  "file."},
        {"-aliasfiles", " <aliasfile,...> -- will only process the specified alias files (comma separated), csv "
                        "extension optional.  Ignores orphans."},
        {"-ignore_orphans", "                 -- ignores orphan files (doesn't list or remove from perforce)."},
        {"-list", "                 -- Lists all files"},
        {"-list-streamed", "                 -- Lists all streaming files"},
        {"-list-resident", "                 -- Lists all resident files"},
        {"-copy-streamed-to", " <directory>     -- Copies all streaming files to <dir>"},
        {"-skip-localized", "                 -- Skips localized files"},
        {"-skip-non-localized", "                 -- Skips non-localized files"},
        {"-check3d", "                 -- Checks all 3D (Spatialized) sounds"},
        {"-check-priv", "                 -- Checks all target sounds for correct PRIV headers (PC RIFF data only)"},
    };
    std::string usage = "USAGE: Auralith [options]\n\nplatform: {-pc}, defines which platform to run Auralith on "
                        "(default is to run Auralith on all supported platforms).\n\n";
    for (const Line &line : lines)
    {
        std::string option = line.option;
        usage += " " + option + std::string(22 - option.size(), ' ') + line.text + "\n";
    }
    return usage + "\n\n";
}

const std::string USAGE = Usage();

const char *const EMPTY_REPORT = "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------"
                                 "\n\n---------------------------\nFILES: \t\t0\nUPDATED: \t0\nOPRHANS: \t0\n"
                                 "----------------------------";

const char *const NO_ALIAS_WARNING = "WARNING: can't find any sound alias files (soundaliases/*.csv)\n";
} // namespace

TEST(CommandLine, HelpPrintsTheUsageAnywhereOnTheLineInAnyCase)
{
    TestKit kit;
    for (auto args : {std::vector<std::string>{"-help"}, std::vector<std::string>{"-verbose", "-HeLp", "-bogus"}})
    {
        KitRun run = kit.Run(args);
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(USAGE, run.out);
        EXPECT_EQ(USAGE, run.log);
    }
}

TEST(CommandLine, UnknownOptionPrintsTheUsageAndTheEmptyReport)
{
    TestKit kit;
    KitRun run = kit.Run({"-pc", "-bogus"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("ERROR: unrecognized commandline option '-bogus', usage follows:\n" + USAGE + EMPTY_REPORT,
              run.out);
    EXPECT_EQ(run.out, run.log);

    run = kit.Run({"weapons"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("ERROR: unrecognized commandline option 'weapons', usage follows:\n"));
}

TEST(CommandLine, ParametersOf259CharactersAreRefused)
{
    TestKit kit;
    std::string ok(258, 'x');
    std::string tooLong(259, 'x');

    KitRun run = kit.Run({"-lang", ok});
    EXPECT_EQ(1, run.status); // no alias files
    EXPECT_EQ(std::string(NO_ALIAS_WARNING) + EMPTY_REPORT, run.out);

    run = kit.Run({"-lang", tooLong});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("ERROR: '-lang' parameter greater than 259\n" + USAGE + EMPTY_REPORT, run.out);

    run = kit.Run({"-log", tooLong});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("ERROR: '-log' parameter greater than 259\n" + USAGE + EMPTY_REPORT, run.out);

    run = kit.Run({"-lang"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(USAGE + EMPTY_REPORT, run.out);
    run = kit.Run({"-log", "-verbose"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(USAGE + EMPTY_REPORT, run.out);
}

TEST(CommandLine, LogOptionNamesTheLogFile)
{
    TestKit kit;
    KitRun run = kit.Run({"-log", "out.txt"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string(NO_ALIAS_WARNING) + EMPTY_REPORT, run.out);
    EXPECT_EQ(run.out, ReadTextOutput(kit.bin() + "/out.txt"));
    EXPECT_FALSE(FileExists(kit.bin() + "/Auralith.log"));
}

TEST(CommandLine, AliasFilesParameterProblemsKeepTheRunGoing)
{
    TestKit kit;
    // "-aliasfiles" takes "-verbose" as its parameter slot: the usage is printed,
    // verbose stays off, and the run goes on over every alias file.
    KitRun run = kit.Run({"-aliasfiles", "-verbose"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(USAGE + NO_ALIAS_WARNING + EMPTY_REPORT, run.out);
}

TEST(CommandLine, KitWithoutAliasFilesWarnsAndFails)
{
    TestKit kit;
    KitRun run = kit.Run({});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string(NO_ALIAS_WARNING) + EMPTY_REPORT, run.out);
    EXPECT_EQ(run.out, run.log);
    EXPECT_EQ("", run.err);
}
