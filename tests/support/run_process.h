// Runs a program for a test and collects what it wrote.
#pragma once

#include <string>
#include <vector>

struct ProcessResult
{
    int status;         // exit status, or -1 when it did not exit normally
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs program with args in folder, standard input empty; waits for it.
ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &folder);

// A text file that a program under test wrote in its system's text mode (the tool's log),
// with LF line ends on every host.
std::string ReadTextOutput(const std::string &path);
