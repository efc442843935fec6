// The output path: every text goes to the log, an attached debugger and the console at
// once.
#include "engine/common/console.h"

#include "platform/files.h"
#include "platform/system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int PRINT_SIZE = 4096;
constexpr int REPORT_SIZE = 32768;
FILE *logFile;
const bool notVerbose = false;
const bool *verboseOption = &notVerbose;
const char *logFileOption = "Auralith.log";

void OutputFormatted(const char *format, va_list args)
{
    char text[PRINT_SIZE];
    Com_FormatBufferV(text, PRINT_SIZE, format, args);
    Sys_OutputText(text);
}
} // namespace

void Com_BindOutputOptions(const bool *verbose, const char *logFileName)
{
    verboseOption = verbose != nullptr ? verbose : &notVerbose;
    logFileOption = logFileName != nullptr ? logFileName : "Auralith.log";
}

void Sys_OutputText(const char *text)
{
    if (logFile == nullptr)
        logFile = Plat_FOpen(logFileOption, "w");
    if (logFile != nullptr)
    {
        fwrite(text, 1, strlen(text), logFile);
        fflush(logFile);
    }
    if (Plat_DebuggerPresent())
        Plat_DebugOutput(text);
    fputs(text, stdout);
    fflush(stdout);
}

void Com_Print(int channel, const char *format, ...)
{
    if (channel == CHANNEL_VERBOSE && !*verboseOption)
        return;
    va_list args;
    va_start(args, format);
    OutputFormatted(format, args);
    va_end(args);
}

void Com_PrintVerbose(const char *format, ...)
{
    if (!*verboseOption)
        return;
    va_list args;
    va_start(args, format);
    OutputFormatted(format, args);
    va_end(args);
}

void Com_ErrorPrint(const char *format, ...)
{
    char text[PRINT_SIZE];
    va_list args;
    va_start(args, format);
    Com_FormatBufferV(text, PRINT_SIZE, format, args);
    va_end(args);
    Sys_OutputText("ERROR: ");
    Sys_OutputText(text);
}

void Com_ReportError(const char *format, ...)
{
    static char text[REPORT_SIZE];
    va_list args;
    va_start(args, format);
    Com_FormatBufferV(text, REPORT_SIZE, format, args);
    va_end(args);
    Com_ErrorPrint("%s", text);
}

void Com_CloseLog()
{
    if (logFile != nullptr)
    {
        fclose(logFile);
        logFile = nullptr;
    }
}
