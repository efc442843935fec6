// The error records and the messages of the tool's error codes.
#include "records/error_records.h"

#include "engine/common/format.h"
#include "platform/errors.h"
#include "records/tool_state.h"

#include <cctype>
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

void Tool_AddError(uint32_t systemError, const char *text, uint32_t toolError)
{
    Tool_AppendErrorRecords({Tool_MakeErrorRecord(systemError, text, toolError)});
}

void Tool_AppendErrorRecords(const std::vector<ToolErrorRecord> &records)
{
    std::vector<ToolErrorRecord> &errors = toolState.run.errors;
    RunRecord &run = toolState.run.record;
    for (const ToolErrorRecord &record : records)
    {
        // A record of the run names the records each sound file caused.
        if (run.enabled && run.current != nullptr)
            Tool_SoundFileRecord(run.current)->errors.push_back(errors.size());
        errors.push_back(record);
    }
}

const char *Tool_ErrorRecordMessage(const ToolErrorRecord &record)
{
    if (record.systemError != 0)
        return record.systemMessage;
    if (record.toolError != 0 && record.toolError < TOOL_ERROR_MESSAGE_COUNT)
        return toolErrorMessages[record.toolError];
    return nullptr;
}

ToolErrorRecord Tool_MakeErrorRecord(uint32_t systemError, const char *text, uint32_t toolError)
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
    return record;
}
