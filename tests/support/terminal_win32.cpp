// Windows: a pseudo-terminal is a POSIX facility, and the tests that need one skip
// themselves here. This definition only completes the program; it refuses.
#include "tests/support/terminal.h"

#include <stdexcept>

TerminalRun RunWithTerminal(const std::string &, const std::vector<std::string> &,
                            const std::string &)
{
    throw std::logic_error("RunWithTerminal is POSIX only; the test should have skipped");
}
