// The output path: every text goes to the log, an attached debugger and the console at
// once. Also the error records and their messages.
#include "tool/console.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/system.h"
#include "tool/tool_state.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

const char *const toolErrorMessages[TOOL_ERROR_MESSAGE_COUNT] = {
    "",
    "Unable to update platform.",
    "Filename too long.",
    "Filesystem initialization failed.",
    "Unable to open file for write.",
    "Illegal or unknown platform in alias",
    "Duplicate entries for column",
    "Invalid alias name",
    "Invalid character",
    "Bad file format",
    "Sound file has multiple compression settings",
    "XMA initialization error",
    "XMA in memory encoder error",
    "XMA write failed",
    "DSP initialization error",
    "DSP in memory encoder error",
    "DSP write failed",
    "Wave file not 16-bit samples",
    "Cannot open wave file",
};

namespace
{
constexpr int PRINT_SIZE = 4096;
constexpr int REPORT_SIZE = 32768;
FILE *logFile;

void OutputFormatted(const char *format, va_list args)
{
    char text[PRINT_SIZE];
    Com_FormatBufferV(text, PRINT_SIZE, format, args);
    Sys_OutputText(text);
}
} // namespace

void Sys_OutputText(const char *text)
{
    if (logFile == nullptr)
        logFile = Plat_FOpen(toolState.logFileName, "w");
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
    if (channel == CHANNEL_VERBOSE && !toolState.verbose)
        return;
    va_list args;
    va_start(args, format);
    OutputFormatted(format, args);
    va_end(args);
}

void Com_PrintVerbose(const char *format, ...)
{
    if (!toolState.verbose)
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

void Tool_AddError(uint32_t systemError, const char *text, uint32_t toolError)
{
    ToolErrorRecord record;
    memset(&record, 0, sizeof(record));
    // A longer text is cut to the record's field.
    Str_Copy(record.text, text, sizeof(record.text));
    record.systemError = systemError;
    record.toolError = toolError;
    if (systemError != 0)
    {
        Plat_ErrorMessage(systemError, record.systemMessage, sizeof(record.systemMessage));
        size_t length = strlen(record.systemMessage);
        while (length > 0 && isspace(static_cast<unsigned char>(record.systemMessage[length - 1])))
            record.systemMessage[--length] = 0;
    }
    toolState.errors.push_back(record);
}

void Com_CloseLog()
{
    if (logFile != nullptr)
    {
        fclose(logFile);
        logFile = nullptr;
    }
}
