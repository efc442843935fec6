// End-to-end: the command line, the usage text, the log file and the exit statuses.
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

namespace
{
// The usage text as printed, byte for byte.
const std::string USAGE = R"(USAGE: Auralith [options]

platform: {-pc}, defines which platform to run Auralith on (default is to run Auralith on all supported platforms).

 -clean                                 -- will force the update process to be run on all sounds, ignoring the history.
 -lang                                  -- will set the localized language directory to the param that follows it. if this switch is not used, the language will remain set to 'english'.
 -optimize_compression                  -- will enable optimizing compression to the highest level that is equal in filesize to the requested compression level.
 -log                   <filename>      -- will use the specified filename as the log file.
 -verbose                               -- will print all debugging output.
 -sync                                  -- will open a new changelist in perforce for edited files and delete oprphaned file.
 -aliasfiles            <aliasfile,...> -- will only process the specified alias files (comma separated), csv extension optional.  Ignores orphans.
 -ignore_orphans                        -- ignores orphan files (doesn't list or remove from perforce).
 -list                                  -- Lists all files
 -list-streamed                         -- Lists all streaming files
 -list-resident                         -- Lists all resident files
 -copy-streamed-to      <directory>     -- Copies all streaming files to <dir>
 -skip-localized                        -- Skips localized files
 -skip-non-localized                    -- Skips non-localized files
 -check3d                               -- Checks all 3D (Spatialized) sounds
 -check-priv                            -- Checks all target sounds for correct PRIV headers (PC RIFF data only)


)";

const char *const EMPTY_REPORT =
    "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------"
    "\n\n---------------------------\nFILES: \t\t0\nUPDATED: \t0\nOPRHANS: \t0\n"
    "----------------------------";

const std::string NO_ALIAS_WARNING =
    "WARNING: can't find any sound alias files (soundaliases/*.csv)\n";
} // namespace

TEST(CommandLine, HelpPrintsTheUsageAnywhereOnTheLineInAnyCase)
{
    TestKit kit;
    for (auto args : {std::vector<std::string>{"-help"}, {"-verbose", "-HeLp", "-bogus"}})
    {
        KitRun run = kit.Run(args);
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(USAGE, run.out);
        EXPECT_EQ(USAGE, run.log);
    }
}

// Every refused command line ends with status 1 and the empty report, also in the log.
TEST(CommandLine, RefusedOptionsAndParametersPrintTheUsage)
{
    TestKit kit;
    const std::string tooLong(259, 'x');
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-pc", "-bogus"},
         "ERROR: unrecognized commandline option '-bogus', usage follows:\n" + USAGE},
        {{"weapons"}, "ERROR: unrecognized commandline option 'weapons', usage follows:\n" + USAGE},
        {{"-lang", tooLong}, "ERROR: '-lang' parameter greater than 259\n" + USAGE},
        {{"-log", tooLong}, "ERROR: '-log' parameter greater than 259\n" + USAGE},
        {{"-lang"}, USAGE},
        {{"-log", "-verbose"}, USAGE},
        // "-aliasfiles" takes "-verbose" as its parameter slot: the usage is printed, verbose
        // stays off, and the run goes on over every alias file.
        {{"-aliasfiles", "-verbose"}, USAGE + NO_ALIAS_WARNING},
    };
    for (const auto &[args, start] : cases)
    {
        KitRun run = kit.Run(args);
        EXPECT_EQ(1, run.status) << args[0];
        EXPECT_EQ(start + EMPTY_REPORT, run.out);
        EXPECT_EQ(run.out, run.log);
    }
}

TEST(CommandLine, KitWithoutAliasFilesWarnsAndFailsAndLogNamesTheLogFile)
{
    TestKit kit;
    KitRun run = kit.Run({});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string(NO_ALIAS_WARNING) + EMPTY_REPORT, run.out);
    EXPECT_EQ(run.out, run.log);
    EXPECT_EQ("", run.err);

    RemoveFile(kit.bin() + "/Auralith.log");
    run = kit.Run({"-log", "out.txt", "-lang", std::string(258, 'x')});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string(NO_ALIAS_WARNING) + EMPTY_REPORT, run.out);
    EXPECT_EQ(run.out, ReadTextOutput(kit.bin() + "/out.txt"));
    EXPECT_FALSE(FileExists(kit.bin() + "/Auralith.log"));
}
