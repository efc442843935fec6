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
 -dry-run                               -- shows which sound files would be converted and why, and changes nothing.
 -report-json          <filename>      -- writes a machine-readable record of the run to <filename>.
 -jobs                  <count>         -- converts up to <count> sound files at the same time (default 1).


)";

const std::string EMPTY_REPORT =
    "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------"
    "\n\n---------------------------\nFILES: \t\t0\nUPDATED: \t0\nOPRHANS: \t0\n"
    "----------------------------";

const std::string NO_ALIAS_WARNING =
    "WARNING: can't find any sound alias files (soundaliases/*.csv)\n";
} // namespace

// Help ends with status 0 and the usage alone; every refused command line, and a kit
// without alias files, with status 1 and the empty report. The log holds the same.
TEST(CommandLine, StatusesUsageAndReportOfEachCommandLine)
{
    TestKit kit;
    const std::string tooLong(259, 'x');
    const std::string unrecognized = "ERROR: unrecognized commandline option ";
    struct Case
    {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {{"-help"}, 0, USAGE},
        {{"-verbose", "-HeLp", "-bogus"}, 0, USAGE},
        {{}, 1, NO_ALIAS_WARNING + EMPTY_REPORT},
        {{"-pc", "-bogus"}, 1, unrecognized + "'-bogus', usage follows:\n" + USAGE + EMPTY_REPORT},
        {{"weapons"}, 1, unrecognized + "'weapons', usage follows:\n" + USAGE + EMPTY_REPORT},
        {{"-lang", tooLong},
         1,
         "ERROR: '-lang' parameter greater than 259\n" + USAGE + EMPTY_REPORT},
        {{"-log", tooLong}, 1, "ERROR: '-log' parameter greater than 259\n" + USAGE + EMPTY_REPORT},
        {{"-lang"}, 1, USAGE + EMPTY_REPORT},
        {{"-log", "-verbose"}, 1, USAGE + EMPTY_REPORT},
        // "-aliasfiles" takes "-verbose" as its parameter slot: the usage is printed, verbose
        // stays off, and the run goes on over every alias file.
        {{"-aliasfiles", "-verbose"}, 1, USAGE + NO_ALIAS_WARNING + EMPTY_REPORT},
        {{"-jobs", tooLong}, 1, "ERROR: '-jobs' parameter greater than 259\n" + USAGE + EMPTY_REPORT},
        {{"-jobs", "64", "-jobs", "0", "-jobs", "007"}, 1, NO_ALIAS_WARNING + EMPTY_REPORT},
    };
    for (const char *bad : {"x", "-1", "65", "", "1x", "-verbose"})
    {
        SCOPED_TRACE(std::string("-jobs ") + bad);
        KitRun run = kit.Run({"-jobs", bad});
        EXPECT_EQ(1, run.status);
        EXPECT_EQ("ERROR: '-jobs' takes a whole number from 1 to 64, or 0 for one job per "
                  "processor\n" + USAGE + EMPTY_REPORT,
                  run.out);
    }
    EXPECT_EQ(1, kit.Run({"-jobs"}).status);
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.args.empty() ? "no options" : c.args[0]);
        KitRun run = kit.Run(c.args);
        EXPECT_EQ(c.status, run.status);
        EXPECT_EQ(c.out, run.out);
        EXPECT_EQ(run.out, run.log);
        EXPECT_EQ("", run.err);
    }

    // A parameter of 258 characters is taken; -log names the log file.
    RemoveFile(kit.bin() + "/Auralith.log");
    KitRun run = kit.Run({"-log", "out.txt", "-lang", std::string(258, 'x')});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(NO_ALIAS_WARNING + EMPTY_REPORT, run.out);
    EXPECT_EQ(run.out, ReadTextOutput(kit.bin() + "/out.txt"));
    EXPECT_FALSE(FileExists(kit.bin() + "/Auralith.log"));
}
