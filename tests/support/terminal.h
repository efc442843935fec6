// Running a program with its standard error on a terminal, as a modder's console would
// show it. POSIX only (a pseudo-terminal); tests that use it skip themselves elsewhere.
#pragma once

#include <string>
#include <vector>

struct TerminalRun
{
    int status;           // exit status, or -1 when it did not exit normally
    std::string out;      // standard output, sent to a file
    std::string terminal; // what the program put on the terminal
};

// Runs program with args in folder, standard input empty, standard error on a fresh
// pseudo-terminal; waits for it.
TerminalRun RunWithTerminal(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder);
