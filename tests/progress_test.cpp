// End-to-end: the progress line of a conversion run, drawn on standard error when that is
// a terminal (here a pseudo-terminal) and erased before the report; standard output and
// the log stay as without it.
#include "tests/support/riff_builder.h"
#include "tests/support/scoped_dir.h"
#include "tests/support/test_kit.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
struct TerminalRun
{
    std::string out;      // standard output (a file)
    std::string terminal; // what standard error put on the terminal
};

// Runs Auralith in the kit's bin folder with standard error on a pseudo-terminal.
TerminalRun RunOnTerminal(const TestKit &kit, const std::vector<std::string> &args)
{
    ScopedDir capture;
    std::string outPath = capture / "out";
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("no pseudo-terminal");
    std::vector<std::string> words = {AURALITH_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0)
    {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0 || chdir(kit.bin().c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(slave, 2);
        close(master);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    TerminalRun run;
    char buffer[4096];
    for (;;)
    {
        ssize_t got = read(master, buffer, sizeof(buffer));
        if (got <= 0)
            break; // EIO once the child has closed its side
        run.terminal.append(buffer, static_cast<size_t>(got));
    }
    close(master);
    int status = 0;
    waitpid(child, &status, 0);
    run.out = ReadFile(outPath);
    return run;
}
} // namespace

TEST(Progress, DrawnOnATerminalAndErasedBeforeTheReport)
{
    TestKit kit;
    kit.WriteAliasFile("a.csv", "name,file\nfirst,first.wav\nsecond,second.wav\n");
    kit.WriteSource("first.wav", PcmWave(44100, 1, 100));
    kit.WriteSource("second.wav", PcmWave(44100, 1, 100));
    // Each launch takes longer than the line waits between drawings.
    kit.SetEncoderRules("sleep 400\n");

    TerminalRun run = RunOnTerminal(kit, {});
    EXPECT_NE(std::string::npos, run.terminal.find("\rsound files 1/2, encoder launches 1, 0m 0"));
    // The last thing on the terminal blanks the longest line drawn and returns the cursor.
    size_t longest = 0;
    for (size_t at = run.terminal.find("\rsound files"); at != std::string::npos;
         at = run.terminal.find("\rsound files", at + 1))
        longest = std::max(longest, run.terminal.find('\r', at + 1) - at - 1);
    std::string erase = "\r" + std::string(longest, ' ') + "\r";
    ASSERT_GE(run.terminal.size(), erase.size());
    EXPECT_EQ(erase, run.terminal.substr(run.terminal.size() - erase.size()));
    EXPECT_EQ(std::string::npos, run.out.find("sound files"));
    EXPECT_NE(std::string::npos, run.out.find("FILES: \t\t2\nUPDATED: \t2\n"));
    std::string log = ReadFile(kit.bin() + "/Auralith.log");
    EXPECT_EQ(run.out, log);

    // Verbose runs print every step instead; a side action draws nothing either.
    EXPECT_EQ("", RunOnTerminal(kit, {"-clean", "-verbose"}).terminal);
    EXPECT_EQ("", RunOnTerminal(kit, {"-list"}).terminal);
}
