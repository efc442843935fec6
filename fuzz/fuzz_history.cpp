// The history reader on any file: the input is written as the history file, read with
// Tool_ReadHistory, written back with Tool_WriteHistory and read once more. Every record
// read must come back with the same name and values, in the reverse order (records are
// pushed at the head of their list), and the parse session is closed on every way out.
#include "assets/history.h"
#include "assets/tokenizer.h"
#include "engine/common/format.h"
#include "fuzz/fuzz_support.h"
#include "records/tool_state.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace
{
const PlatformInfo fuzzPlatform = {"fuzz",        "",    "FUZZ",   ".wav",   ".fuzz.wav",
                                   "raw",         "raw", "devraw", "devraw", "table.ctb",
                                   "history.hst", 0,     9,        42,       nullptr};
std::string historyPath;

typedef std::tuple<std::string, int32_t, bool, int32_t, int32_t> Record;

std::vector<Record> Records(const XUHistoryEntry *head)
{
    std::vector<Record> records;
    for (const XUHistoryEntry *entry = head; entry != nullptr; entry = entry->next)
    {
        FUZZ_CHECK(memchr(entry->name, 0, sizeof(entry->name)) != nullptr);
        FUZZ_CHECK(entry->name[0] != 0 && entry->name[0] != '}');
        FUZZ_CHECK(!entry->failed);
        records.emplace_back(entry->name, entry->compressionSetting, entry->devOnly,
                             entry->syncTimeLow, entry->syncTimeHigh);
    }
    return records;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz_QuietOutput();
    Str_Copy(toolState.folders.sourceRoot, Fuzz_ScratchDir().c_str(),
             sizeof(toolState.folders.sourceRoot));
    toolState.run.platform = &fuzzPlatform;
    toolState.options.sync = false;
    historyPath = Fuzz_ScratchDir() + "/" + fuzzPlatform.historyFile;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ParseSession *base = Com_GetParseSession();
    Fuzz_WriteInput(historyPath, data, size);

    Tool_ReadHistory();
    FUZZ_CHECK(Com_GetParseSession() == base);
    std::vector<Record> streamed = Records(toolState.run.historyLists.streamed);
    std::vector<Record> loaded = Records(toolState.run.historyLists.loaded);

    Tool_WriteHistory();
    FUZZ_CHECK(toolState.run.errors.empty());
    Tool_ReadHistory();
    FUZZ_CHECK(Com_GetParseSession() == base);
    std::vector<Record> streamedAgain = Records(toolState.run.historyLists.streamed);
    std::vector<Record> loadedAgain = Records(toolState.run.historyLists.loaded);
    FUZZ_CHECK(streamedAgain == std::vector<Record>(streamed.rbegin(), streamed.rend()));
    FUZZ_CHECK(loadedAgain == std::vector<Record>(loaded.rbegin(), loaded.rend()));

    // Lookups go through the name index; each record read must be found by its name.
    XUHistoryEntry *head = toolState.run.historyLists.streamed;
    for (const Record &record : streamed)
    {
        const char *name = std::get<0>(record).c_str();
        bool created = false;
        const XUHistoryEntry *found = Tool_FindHistoryEntry(name, 0, true, false, &created);
        FUZZ_CHECK(toolState.run.historyLists.streamed == head);
        FUZZ_CHECK(Str_CaseCompare(found->name, name) == 0);
    }
    Tool_FreeHistory();
    FUZZ_CHECK(toolState.run.historyLists.streamed == nullptr &&
               toolState.run.historyLists.loaded == nullptr);
    return 0;
}
