// The error records of a run: what the run report prints at the end and what the exit
// status counts. Recording prints nothing.
#pragma once

#include <cstdint>
#include <vector>

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

// Appends an error record to the run's list (Tool_MakeErrorRecord); prints nothing.
void Tool_AddError(uint32_t systemError, const char *text, uint32_t toolError);
// Appends records made earlier (Tool_MakeErrorRecord), in their order.
void Tool_AppendErrorRecords(const std::vector<ToolErrorRecord> &records);
// The message printed after a record's text: the system's for a system error, else that
// of its tool error; null when it has neither.
const char *Tool_ErrorRecordMessage(const ToolErrorRecord &record);
// The record, with the system's message for a system error and the text cut to its field.
ToolErrorRecord Tool_MakeErrorRecord(uint32_t systemError, const char *text, uint32_t toolError);
