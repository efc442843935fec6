// Sorting and merging the work lists.
#include "assets/sound_list.h"

#include "engine/common/str.h"
#include "tool/console.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
struct SortItem
{
    const char *key; // the file name with ASCII letters in lower case
    SoundFileEntry *entry;
};
} // namespace

void Tool_SortSoundList(SoundFileList *list)
{
    if (list->head == nullptr)
        return;
    // The names are compared as their lower-case forms, byte by byte as unsigned values,
    // which orders exactly as the case-insensitive comparison does; a stable sort has only
    // one possible result, so this orders as the halving merge sort over the list would.
    // The keys share one block, which goes back whole when the sort is done.
    size_t keyBytes = 0;
    size_t count = 0;
    for (SoundFileEntry *entry = list->head; entry != nullptr; entry = entry->next, ++count)
        keyBytes += strlen(entry->file) + 1;
    std::vector<char> keys(keyBytes);
    std::vector<SortItem> items;
    items.reserve(count);
    char *key = keys.data();
    for (SoundFileEntry *entry = list->head; entry != nullptr; entry = entry->next)
    {
        items.push_back(SortItem{key, entry});
        for (const char *c = entry->file; *c; ++c)
            *key++ = Str_ToLowerAscii(*c);
        *key++ = 0;
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const SortItem &a, const SortItem &b) { return strcmp(a.key, b.key) < 0; });
    for (size_t i = 0; i + 1 < items.size(); ++i)
        items[i].entry->next = items[i + 1].entry;
    items.back().entry->next = nullptr;
    list->head = items.front().entry;
}

void Tool_MergeSoundList(SoundFileList *list)
{
    if (list->count == 0)
        return;
    Tool_SortSoundList(list);
    SoundFileEntry *leader = list->head;
    bool conflictRecorded = false;
    while (leader != nullptr && leader->next != nullptr)
    {
        SoundFileEntry *entry = leader->next;
        if (Str_CaseCompare(entry->file, leader->file) != 0)
        {
            leader = entry;
            conflictRecorded = false;
            continue;
        }
        leader->next = entry->next;
        --list->count;
        if (Str_CaseCompare(entry->compression, leader->compression) != 0 &&
            entry->compression[0] != 0)
        {
            if (leader->compression[0] == 0)
            {
                memcpy(leader->compression, entry->compression, sizeof(leader->compression));
            }
            else
            {
                if (entry->compressionSetting > leader->compressionSetting)
                    leader->compressionSetting = entry->compressionSetting;
                if (!conflictRecorded)
                    Tool_AddError(0, leader->file, TOOL_ERROR_MULTIPLE_COMPRESSION);
                conflictRecorded = true;
            }
        }
        // Entries taken out of the list are released at once; nothing else refers to them.
        free(entry);
    }
}
