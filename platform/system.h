// Clocks, the debugger and the console.
#pragma once

#include <cstdint>

// A millisecond clock for measuring intervals (wraps after 49 days like timeGetTime).
uint32_t Plat_Milliseconds();

// The current time, UTC, as a Windows file time (100 ns units since 1601-01-01).
uint64_t Plat_SystemFileTime();

// Converts seconds and nanoseconds since 1970-01-01 UTC to a Windows file time.
uint64_t Plat_UnixToFileTime(int64_t seconds, uint32_t nanoseconds);

bool Plat_DebuggerPresent();
void Plat_DebugOutput(const char *text);

// True when standard error is an interactive terminal.
bool Plat_StderrIsTerminal();

// The number of processors this process may run on (at least 1).
int Plat_ProcessorCount();
