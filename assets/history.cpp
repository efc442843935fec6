// Reading, looking up and writing the history file of the current platform.
#include "assets/history.h"

#include "assets/text_file.h"
#include "assets/tokenizer.h"
#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/memory.h"
#include "engine/common/str.h"
#include "platform/files.h"
#include "platform/system.h"
#include "records/tool_state.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const char HISTORY_HEADER[] = "XUHISTORY 8";
constexpr int HISTORY_HEADER_LENGTH = 11;
constexpr int HISTORY_NAME_SIZE = sizeof(XUHistoryEntry::name);

XUHistoryEntry *&ListHead(bool streamed)
{
    return streamed ? toolState.run.historyLists.streamed : toolState.run.historyLists.loaded;
}

XUHistoryIndex &IndexOf(bool streamed)
{
    return streamed ? toolState.run.historyLists.streamedIndex
                    : toolState.run.historyLists.loadedIndex;
}

bool IsMissing(const char *token)
{
    return token[0] == 0 || token[0] == '}';
}

void HistoryPath(char *path)
{
    Com_FormatBuffer(path, TOOL_PATH_SIZE, "%s/%s", toolState.folders.sourceRoot,
                     toolState.run.platform->historyFile);
}

// Appends the name in double quotes, with every quote and backslash in it escaped, so
// that the general tokenizer reads back any name unchanged.
void AppendQuotedName(std::string &text, const char *name)
{
    text += '"';
    for (const char *c = name; *c; ++c)
    {
        if (*c == '"' || *c == '\\')
            text += '\\';
        text += *c;
    }
    text += '"';
}

// Appends " %d" of value.
void AppendNumber(std::string &text, int32_t value)
{
    char digits[16];
    digits[0] = ' ';
    char *end = std::to_chars(digits + 1, digits + sizeof(digits), value).ptr;
    text.append(digits, static_cast<size_t>(end - digits));
}

constexpr size_t HISTORY_WRITE_CHUNK = 1 << 16;

// Writes the records of one list whose conversion did not fail, one line each, through
// text in chunks. False on a write error.
bool WriteList(FILE *file, std::string &text, const XUHistoryEntry *record, int streamed, bool sync,
               int32_t syncLow, int32_t syncHigh)
{
    for (; record != nullptr; record = record->next)
    {
        // A name that the reader would take as the end of the file would lose every
        // record after it; such a record is left out and its file converted again.
        if (record->failed || IsMissing(record->name))
            continue;
        AppendQuotedName(text, record->name);
        AppendNumber(text, record->compressionSetting);
        AppendNumber(text, streamed);
        AppendNumber(text, record->devOnly ? 1 : 0);
        AppendNumber(text, sync ? syncLow : record->syncTimeLow);
        AppendNumber(text, sync ? syncHigh : record->syncTimeHigh);
        text += '\n';
        if (text.size() >= HISTORY_WRITE_CHUNK)
        {
            if (fwrite(text.data(), 1, text.size(), file) != text.size())
                return false;
            text.clear();
        }
    }
    return true;
}
} // namespace

void Tool_ReadHistory()
{
    Tool_FreeHistory();

    char path[TOOL_PATH_SIZE];
    HistoryPath(path);
    char *text;
    int size = Tool_LoadTextFile(path, &text);
    if (size == 0)
        return;
    if (size < HISTORY_HEADER_LENGTH || memcmp(text, HISTORY_HEADER, HISTORY_HEADER_LENGTH) != 0)
    {
        Com_ErrorPrint("\"%s\" does not appear to be a valid history file, or is the wrong version "
                       "#, no history will be used.\n",
                       path);
        free(text);
        return;
    }

    Com_BeginParseSession(path);
    const char *cursor = text + HISTORY_HEADER_LENGTH;
    const char *missing = nullptr;
    char name[PARSE_TOKEN_SIZE];
    for (;;)
    {
        const char *token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
            break;
        Str_Copy(name, token, sizeof(name));

        token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
        {
            missing = "compression";
            break;
        }
        int32_t compressionSetting = Com_TokenToInt(token);

        token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
        {
            missing = "streamed";
            break;
        }
        bool streamed = Com_TokenToInt(token) != 0;

        token = Com_ParseToken(&cursor, true);
        if (IsMissing(token))
        {
            missing = "devOnly";
            break;
        }
        bool devOnly = Com_TokenToInt(token) != 0;

        token = Com_ParseToken(&cursor, true);
        bool timeMissing = IsMissing(token);
        int32_t syncLow = Com_TokenToInt(token);
        int32_t syncHigh = 0;
        if (!timeMissing)
        {
            token = Com_ParseToken(&cursor, true);
            timeMissing = IsMissing(token);
            syncHigh = Com_TokenToInt(token);
        }
        if (timeMissing)
        {
            Com_ErrorPrint("history parse failure : missing last sync time\n");
            Com_EndParseSession();
            free(text);
            return;
        }

        // A name that does not fit the record is refused: a cut name would stand for
        // another sound file. The record is skipped and its file counts as new.
        if (strlen(name) >= static_cast<size_t>(HISTORY_NAME_SIZE))
        {
            Com_ErrorPrint("history entry name '%s' is longer than %d characters, entry skipped\n",
                           name, HISTORY_NAME_SIZE - 1);
            continue;
        }
        Tool_NewHistoryEntry(name, compressionSetting, streamed, devOnly, syncLow, syncHigh);
    }
    Com_EndParseSession();
    free(text);
    if (missing != nullptr)
        Com_ErrorPrint(
            "history parse failure : entry name parsed (%s), but no matching %s setting found.\n",
            name, missing);
}

XUHistoryEntry *Tool_NewHistoryEntry(const char *name, int32_t compressionSetting, bool streamed,
                                     bool devOnly, int32_t syncTimeLow, int32_t syncTimeHigh)
{
    XUHistoryEntry *record;
    try
    {
        record = static_cast<XUHistoryEntry *>(Z_Malloc(sizeof(XUHistoryEntry)));
    }
    catch (const ComErrorClass &)
    {
        // The run of the platform ends here; no record is pushed.
        Com_ReportError("Couldn't create new XUHistoryEntry\n");
        throw;
    }
    // Names longer than the field are cut (the reader refuses them before they get here).
    Str_Copy(record->name, name, sizeof(record->name));
    record->compressionSetting = compressionSetting;
    record->syncTimeLow = syncTimeLow;
    record->syncTimeHigh = syncTimeHigh;
    record->devOnly = devOnly;
    record->failed = false;

    XUHistoryEntry *&head = ListHead(streamed);
    record->next = head;
    head = record;
    // The index keeps the head-most record of each name, which the new one now is.
    IndexOf(streamed).Set(record);
    return record;
}

XUHistoryEntry *Tool_FindHistoryEntry(const char *name, int32_t compressionSetting, bool streamed,
                                      bool devOnly, bool *created)
{
    *created = false;
    if (auto *found = IndexOf(streamed).Find(name))
        return found->value;
    *created = true;
    return Tool_NewHistoryEntry(name, compressionSetting, streamed, devOnly, 0, 0);
}

void Tool_WriteHistory()
{
    int32_t syncLow = 0;
    int32_t syncHigh = 0;
    if (toolState.options.sync)
    {
        uint64_t now = Plat_SystemFileTime();
        syncLow = static_cast<int32_t>(static_cast<uint32_t>(now));
        syncHigh = static_cast<int32_t>(static_cast<uint32_t>(now >> 32));
    }

    char path[TOOL_PATH_SIZE];
    HistoryPath(path);
    // The new history goes to a file beside the old one and replaces it in one step, so a
    // run stopped at any moment leaves either the old history or the whole new one. It is
    // not forced to the disk first: a history lost with the machine costs conversions
    // again, never a stale file taken for current.
    std::string temporary = std::string(path) + ".tmp";
    FILE *file = Plat_CreateNewFile(temporary.c_str());
    bool written = file != nullptr;
    if (file != nullptr)
    {
        std::string text = std::string(HISTORY_HEADER) + "\n";
        text.reserve(HISTORY_WRITE_CHUNK + 2 * HISTORY_NAME_SIZE + 64);
        written = WriteList(file, text, toolState.run.historyLists.streamed, 1,
                            toolState.options.sync, syncLow, syncHigh) &&
                  WriteList(file, text, toolState.run.historyLists.loaded, 0,
                            toolState.options.sync, syncLow, syncHigh) &&
                  fwrite(text.data(), 1, text.size(), file) == text.size();
        written = fclose(file) == 0 && written;
        written = written && Plat_ReplaceFile(temporary.c_str(), path);
        if (!written)
            Plat_RemoveFile(temporary.c_str());
    }
    if (!written)
        Tool_AddError(0, path, TOOL_ERROR_OPEN_FOR_WRITE);
}

void Tool_FreeHistory()
{
    for (bool streamed : {true, false})
    {
        XUHistoryEntry *&head = ListHead(streamed);
        while (head != nullptr)
        {
            XUHistoryEntry *next = head->next;
            free(head);
            head = next;
        }
        IndexOf(streamed).Clear();
    }
}
