// The history file: which sound files were converted with which compression setting.
#pragma once

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

// The run state's two history lists.
struct XUHistoryLists
{
    XUHistoryEntry *streamed;
    XUHistoryEntry *loaded;
};

void Tool_ReadHistory();
XUHistoryEntry *Tool_NewHistoryEntry(const char *name, int32_t compressionSetting, bool streamed, bool devOnly,
                                     int32_t syncTimeLow, int32_t syncTimeHigh);
// Returns the first record of the name in the list of its kind, or a new one that then
// heads that list.
XUHistoryEntry *Tool_FindHistoryEntry(const char *name, int32_t compressionSetting, bool streamed, bool devOnly);
void Tool_WriteHistory();
void Tool_FreeHistory();
