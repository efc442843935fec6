// Loading the compression table file of the current platform.
#include "assets/compression_table.h"

#include "assets/text_file.h"
#include "assets/tokenizer.h"
#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/str.h"
#include "records/tool_state.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace
{
const char COMPRESSION_MAGIC[] = "XUCOMPRESSIONTBL";
constexpr int COMPRESSION_MAGIC_LENGTH = 16;

// The start of the parse failure messages (the range message spells the name in lower case).
#define TABLE_FAILURE "compressionTable parse failure on file \"%s\": "

bool IsMissing(const char *token)
{
    return token[0] == 0 || token[0] == '}';
}

// Ends a failed load: closes the session and releases the text, then reports.
void FailLoad(char *text, const char *format, ...) COM_PRINTF(2, 3);
void FailLoad(char *text, const char *format, ...)
{
    char message[4096];
    va_list args;
    va_start(args, format);
    Com_FormatBufferV(message, sizeof(message), format, args);
    va_end(args);
    Com_EndParseSession();
    free(text);
    Com_ReportError("%s", message);
}

// True when the setting lies in the platform's range; otherwise the load fails.
bool CheckRange(char *text, const PlatformInfo *platform, int32_t setting)
{
    if (setting >= platform->minCompression && setting <= platform->maxCompression)
        return true;
    FailLoad(text,
             "compressiontable parse failure on file \"%s\": compressionSetting '%d' is not in the "
             "range %d-%d.\n",
             platform->compressionTableFile, setting, platform->minCompression,
             platform->maxCompression);
    return false;
}
} // namespace

void Tool_LoadCompressionTable()
{
    const PlatformInfo *platform = toolState.run.platform;
    const char *tableFile = platform->compressionTableFile;
    char path[TOOL_PATH_SIZE];
    Com_FormatBuffer(path, sizeof(path), "%s/%s", toolState.folders.sourceRoot, tableFile);

    char *text;
    int size = Tool_LoadTextFile(path, &text);
    if (size == 0)
    {
        Com_ReportError("Could not load compressionTable file '%s'\n", path);
        return;
    }
    if (size < COMPRESSION_MAGIC_LENGTH ||
        memcmp(text, COMPRESSION_MAGIC, COMPRESSION_MAGIC_LENGTH) != 0)
    {
        free(text);
        Com_ReportError("\"%s\" does not appear to be a compressionTable file\n", path);
        return;
    }

    CompressionTable &table = toolState.run.compressionTable;
    Com_BeginParseSession(path);
    const char *cursor = text + COMPRESSION_MAGIC_LENGTH;
    table.count = 0;
    const char *token = Com_ParseToken(&cursor, true);
    if (strcmp(token, "DEFAULTSETTING") != 0)
    {
        FailLoad(text, TABLE_FAILURE "missing default setting identifier (%s).\n", tableFile,
                 "DEFAULTSETTING");
        return;
    }
    table.entries[0].name[0] = 0;
    token = Com_ParseToken(&cursor, true);
    if (IsMissing(token))
    {
        FailLoad(text,
                 TABLE_FAILURE
                 "default setting identifier parsed (%s), but no matching entry setting found.\n",
                 tableFile, table.entries[0].name);
        return;
    }
    table.entries[0].setting = Com_TokenToInt(token);
    if (!CheckRange(text, platform, table.entries[0].setting))
        return;
    table.count = 1;

    for (;;)
    {
        token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
            break;
        if (table.count >= COMPRESSION_TABLE_MAX)
        {
            FailLoad(text,
                     TABLE_FAILURE
                     "entries parsed (%d) is greater than or equal to maxEntries (%d)\n",
                     tableFile, table.count, COMPRESSION_TABLE_MAX);
            return;
        }
        for (int i = 0; i < table.count; ++i)
        {
            if (Str_CaseCompare(token, table.entries[i].name) == 0)
            {
                FailLoad(
                    text,
                    TABLE_FAILURE
                    "compression string '%s' used by entry #%d was already used by entry #%d\n",
                    tableFile, token, table.count, i);
                return;
            }
        }
        CompressionTableEntry &entry = table.entries[table.count];
        // A name that does not fit its field is refused rather than cut, since a cut name
        // could silently stand for another one.
        if (strlen(token) >= sizeof(entry.name))
        {
            FailLoad(text,
                     TABLE_FAILURE
                     "compression string '%s' used by entry #%d is longer than %d characters\n",
                     tableFile, token, table.count, static_cast<int>(sizeof(entry.name)) - 1);
            return;
        }
        Str_Copy(entry.name, token, sizeof(entry.name));
        token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
        {
            FailLoad(text,
                     TABLE_FAILURE "entry name parsed (%s), but no matching entry setting found.\n",
                     tableFile, entry.name);
            return;
        }
        entry.setting = Com_TokenToInt(token);
        if (!CheckRange(text, platform, entry.setting))
            return;
        ++table.count;
    }
    Com_EndParseSession();
    free(text);
}
