// The history records of a run: which sound files were converted with which compression
// setting, in two lists (streamed and loaded), each with an index by name.
#pragma once

#include "engine/common/name_index.h"

#include <cstdint>

struct XUHistoryEntry
{
    char name[260];
    int32_t compressionSetting;
    int32_t syncTimeLow;
    int32_t syncTimeHigh;
    bool devOnly;
    bool failed;
    XUHistoryEntry *next;
};

inline const char *Tool_HistoryRecordName(XUHistoryEntry *const &record)
{
    return record->name;
}
using XUHistoryIndex = NameIndex<XUHistoryEntry *, Tool_HistoryRecordName>;

// The run state's two history lists. Beside each list, its index from a name (ignoring
// ASCII case) to the head-most record of that name, so that a lookup costs the same for
// ten records as for a hundred thousand. The history functions keep each index with its
// list as they push and free records; a fresh XUHistoryLists is empty, index included.
struct XUHistoryLists
{
    XUHistoryEntry *streamed = nullptr;
    XUHistoryEntry *loaded = nullptr;
    XUHistoryIndex streamedIndex;
    XUHistoryIndex loadedIndex;
};
