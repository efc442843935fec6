// The one output path (log, debugger, console), the print operations built on it, the
// error records that the run report prints, and the tool's fatal-error exception.
#pragma once

#include "engine/common/format.h"

#include <cstdint>

// Raised for a fatal condition; caught around start-up and around a platform's run.
class ComErrorClass
{
};

struct ToolErrorRecord
{
    char text[260];
    uint32_t systemError;
    uint32_t toolError;
    char systemMessage[260];
};

constexpr int TOOL_ERROR_MESSAGE_COUNT = 19;
extern const char *const toolErrorMessages[TOOL_ERROR_MESSAGE_COUNT];

enum ToolErrorCode : uint32_t
{
    TOOL_ERROR_NONE = 0,
    TOOL_ERROR_PLATFORM_UPDATE = 1,
    TOOL_ERROR_NAME_TOO_LONG = 2,
    TOOL_ERROR_FS_INIT = 3,
    TOOL_ERROR_OPEN_FOR_WRITE = 4,
    TOOL_ERROR_DUPLICATE_COLUMN = 6,
    TOOL_ERROR_INVALID_ALIAS_NAME = 7,
    TOOL_ERROR_INVALID_CHARACTER = 8,
    TOOL_ERROR_BAD_FILE_FORMAT = 9,
    TOOL_ERROR_MULTIPLE_COMPRESSION = 10,
};

constexpr int CHANNEL_TOOL = 0;
constexpr int CHANNEL_DVAR = 1;
constexpr int CHANNEL_VERBOSE = 10;
constexpr int CHANNEL_ALWAYS = 16;
constexpr int CHANNEL_PARSE = 23;

// Writes one finished text to the log (opened on first use), an attached debugger and
// standard output, flushing each.
void Sys_OutputText(const char *text);

void Com_Print(int channel, const char *format, ...) COM_PRINTF(2, 3);
void Com_PrintVerbose(const char *format, ...) COM_PRINTF(1, 2);
void Com_ErrorPrint(const char *format, ...) COM_PRINTF(1, 2);
void Com_ReportError(const char *format, ...) COM_PRINTF(1, 2);

// Appends an error record; prints nothing.
void Tool_AddError(uint32_t systemError, const char *text, uint32_t toolError);

// Closes the log if it is open.
void Com_CloseLog();
