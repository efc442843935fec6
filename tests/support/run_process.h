// Runs a program for a test and collects what it wrote. A POSIX host can also run it in
// the background to kill it, as an unprivileged user, with a limit on the size of the
// files it writes, or with standard error on a terminal; the tests that need these skip
// themselves elsewhere:
//     if (!HostIsPosix()) GTEST_SKIP() << "POSIX only: ...";
#pragma once

#include <memory>
#include <string>
#include <vector>

inline bool HostIsPosix()
{
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

struct ProcessResult
{
    int status;      // exit status, or -1 when it did not exit normally
    std::string out; // standard output
    std::string err; // standard error, or what the program put on the terminal
};

// POSIX only, both.
struct ProcessOptions
{
    // When the test runs as root: run the program as the user and group 65534, for whom
    // file permissions count. The program and its files must lie in a folder made for
    // everyone (ScopedDir::Reach::Everyone), given to that user (GiveToUnprivilegedUser):
    // the user may not be able to reach the build or the temporary folder.
    bool unprivileged = false;
    // Bytes; when not negative, writing a file past this size fails with EFBIG (the
    // signal it would raise is ignored), as on a full disk.
    long long fileSizeLimit = -1;
};

// Runs program with args in folder, standard input empty; waits for it.
ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &folder, const ProcessOptions &options = {});

// A text file that a program under test wrote in its system's text mode (the tool's log),
// with LF line ends on every host.
std::string ReadTextOutput(const std::string &path);

// POSIX only from here on.

// RunProcess with standard error on a fresh pseudo-terminal, as a modder's console; built
// on POSIX hosts only, for *_posix_test.cpp files.
ProcessResult RunWithTerminal(const std::string &program, const std::vector<std::string> &args,
                              const std::string &folder);

class ScopedDir;

// A program started in the background, in a process group of its own.
struct StartedProcess
{
    int pid = 0;
    std::shared_ptr<ScopedDir> capture; // where its outputs go
};

StartedProcess StartProcess(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder);

// Waits for a started program to end and collects what it wrote.
ProcessResult FinishProcess(StartedProcess *process);

// Sends SIGINT to the program's process group, as Ctrl-C on its terminal would, then
// waits for the program and collects what it wrote.
ProcessResult InterruptProcess(StartedProcess *process);

// Kills the program with SIGKILL, then every process it started (its process group), and
// waits until all of them are gone.
void KillProcess(StartedProcess *process);

// Waits until path exists or the program has ended, a minute at most; true when path
// exists.
bool WaitForFile(const std::string &path, const StartedProcess &process);

// When the test runs as root: makes every file and folder below root (root included)
// belong to the user and group 65534. Otherwise nothing. Nothing above root changes: root
// lies in a ScopedDir made for everyone, which that user can reach.
void GiveToUnprivilegedUser(const std::string &root);
