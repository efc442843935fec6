// Windows: the conditions of process_control.h are POSIX facilities (process groups killed
// by signal, another user, file-size limits, permission bits), and the tests that need
// them skip themselves here. These definitions only complete the program; they refuse.
#include "tests/support/process_control.h"

#include <stdexcept>

namespace
{
[[noreturn]] void Refuse(const char *what)
{
    throw std::logic_error(std::string(what) + " is POSIX only; the test should have skipped");
}
} // namespace

StartedProcess StartProcess(const std::string &, const std::vector<std::string> &,
                            const std::string &, const ProcessOptions &)
{
    Refuse("StartProcess");
}

ProcessResult WaitProcess(StartedProcess *)
{
    Refuse("WaitProcess");
}

void KillProcess(StartedProcess *)
{
    Refuse("KillProcess");
}

ProcessResult RunProcessWith(const std::string &, const std::vector<std::string> &,
                             const std::string &, const ProcessOptions &)
{
    Refuse("RunProcessWith");
}

bool RunsAsRoot()
{
    return false;
}

void GiveToUnprivilegedUser(const std::string &)
{
    Refuse("GiveToUnprivilegedUser");
}

void SetMode(const std::string &, unsigned)
{
    Refuse("SetMode");
}

bool WaitForFile(const std::string &, const StartedProcess &)
{
    Refuse("WaitForFile");
}
