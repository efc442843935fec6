// Running a program under conditions that only a POSIX host gives a test: in the
// background so that the test can kill it, as an unprivileged user, or with a limit on
// the size of the files it writes. POSIX only; tests that use it are left out elsewhere.
#pragma once

#include "tests/support/run_process.h"

#include <memory>
#include <string>
#include <vector>

struct ProcessOptions
{
    // When the test runs as root: run the program as the user and group 65534, for whom
    // file permissions count. Give it the files first (GiveToUnprivilegedUser).
    bool unprivileged = false;
    // Bytes; when not negative, writing a file past this size fails with EFBIG (the
    // signal it would raise is ignored), as on a full disk.
    long long fileSizeLimit = -1;
};

class ScopedDir;

// A program started in the background, in a process group of its own.
struct StartedProcess
{
    int pid = 0;
    std::shared_ptr<ScopedDir> capture; // where its outputs go until it is waited for
};

// Starts program with args in folder, standard input empty, and returns at once.
StartedProcess StartProcess(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder, const ProcessOptions &options = {});

// Waits for the program to end and collects its outputs.
ProcessResult WaitProcess(StartedProcess *process);

// Kills the program with SIGKILL, then every process it started (its process group), and
// waits until all of them are gone.
void KillProcess(StartedProcess *process);

// StartProcess and WaitProcess in one.
ProcessResult RunProcessWith(const std::string &program, const std::vector<std::string> &args,
                             const std::string &folder, const ProcessOptions &options);

// True when the test runs as root, for whom file permissions do not count.
bool RunsAsRoot();

// When the test runs as root: makes every file and folder below root (root included)
// belong to the user and group 65534, and lets that user pass through root's parent.
// Otherwise nothing.
void GiveToUnprivilegedUser(const std::string &root);

// Sets the permission bits of a file or folder (for example 0555 for a read-only folder).
void SetMode(const std::string &path, unsigned mode);

// Waits until path exists or the program has ended; true when path exists. The wait is
// bounded by a minute.
bool WaitForFile(const std::string &path, const StartedProcess &process);
