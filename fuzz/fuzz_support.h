// What every fuzz target shares: quiet console output, a scratch folder that lives as
// long as the process, and invariant checks that stop the fuzzer like a crash does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Sends the console output and the log to /dev/null, so that a run is not slowed down
// by printing; AURALITH_FUZZ_VERBOSE=1 keeps both, for looking at one input.
void Fuzz_QuietOutput();

// A folder made on first use and removed when the process ends normally.
const std::string &Fuzz_ScratchDir();

// The input as a zero-terminated text; bytes after an embedded zero are unreachable to
// the readers, as they would be in a file read whole.
std::string Fuzz_Text(const uint8_t *data, size_t size);

// Writes the input to path, replacing the file.
void Fuzz_WriteInput(const std::string &path, const uint8_t *data, size_t size);

// Prints what was expected and aborts: a broken invariant is a finding.
[[noreturn]] void Fuzz_Fail(const char *file, int line, const char *condition);

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : Fuzz_Fail(__FILE__, __LINE__, #condition))
