// End-to-end: the progress line of a conversion run, drawn on standard error when that is
// a terminal and erased before the report; standard output and the log stay as without it.
// POSIX only: a pseudo-terminal.
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/test_kit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

TEST(Progress, DrawnOnATerminalAndErasedBeforeTheReport)
{
    TestKit kit;
    kit.WriteAliasFile("a.csv", "name,file\nfirst,first.wav\nsecond,second.wav\n");
    kit.WriteSource("first.wav", PcmWave(44100, 1, 100));
    kit.WriteSource("second.wav", PcmWave(44100, 1, 100));
    // Each launch takes longer than the line waits between drawings.
    kit.SetEncoderRules("sleep 400\n");

    ProcessResult run = RunWithTerminal(AURALITH_BINARY, {}, kit.bin());
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.err.find("\rsound files 1/2, encoder launches 1, 0m 0"));
    // The last thing on the terminal blanks the longest line drawn and returns the cursor.
    size_t longest = 0;
    for (size_t at = run.err.find("\rsound files"); at != std::string::npos;
         at = run.err.find("\rsound files", at + 1))
        longest = std::max(longest, run.err.find('\r', at + 1) - at - 1);
    std::string erase = "\r" + std::string(longest, ' ') + "\r";
    ASSERT_GE(run.err.size(), erase.size());
    EXPECT_EQ(erase, run.err.substr(run.err.size() - erase.size()));
    EXPECT_EQ(std::string::npos, run.out.find("sound files"));
    EXPECT_NE(std::string::npos, run.out.find("FILES: \t\t2\nUPDATED: \t2\n"));
    EXPECT_EQ(run.out, ReadFile(kit.bin() + "/Auralith.log"));

    // Verbose runs print every step instead; a side action draws nothing either.
    EXPECT_EQ("", RunWithTerminal(AURALITH_BINARY, {"-clean", "-verbose"}, kit.bin()).err);
    EXPECT_EQ("", RunWithTerminal(AURALITH_BINARY, {"-list"}, kit.bin()).err);
}
