// The one output path (log, debugger, console), the print operations built on it, and the
// tool's fatal-error exception.
#pragma once

#include "engine/common/format.h"

// Raised for a fatal condition; caught around start-up and around a platform's run.
class ComErrorClass
{
};

constexpr int CHANNEL_TOOL = 0;
constexpr int CHANNEL_DVAR = 1;
constexpr int CHANNEL_VERBOSE = 10;
constexpr int CHANNEL_ALWAYS = 16;
constexpr int CHANNEL_PARSE = 23;

// The two options the output path reads at each print: whether verbose prints show, and
// the name of the log file, which is opened by the first text. The entry point binds them
// to its option record before anything prints; until then (and after a binding to null)
// nothing is verbose and the log is "Auralith.log".
void Com_BindOutputOptions(const bool *verbose, const char *logFileName);

// Writes one finished text to the log (opened on first use), an attached debugger and
// standard output, flushing each.
void Sys_OutputText(const char *text);

void Com_Print(int channel, const char *format, ...) COM_PRINTF(2, 3);
void Com_PrintVerbose(const char *format, ...) COM_PRINTF(1, 2);
void Com_ErrorPrint(const char *format, ...) COM_PRINTF(1, 2);
void Com_ReportError(const char *format, ...) COM_PRINTF(1, 2);

// Closes the log if it is open.
void Com_CloseLog();
