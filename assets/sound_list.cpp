// Sorting and merging the work lists.
#include "assets/sound_list.h"

#include "engine/common/console.h"
#include "engine/common/str.h"
#include "records/error_records.h"

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

// The entries of the list in sorted order, their keys in one block. The names are
// compared as their lower-case forms, byte by byte as unsigned values, which orders
// exactly as the case-insensitive comparison does; a stable sort has only one possible
// result, so this orders as the halving merge sort over the list would.
void SortItems(const SoundFileList *list, std::vector<char> *keys, std::vector<SortItem> *items)
{
    size_t keyBytes = 0;
    size_t count = 0;
    for (SoundFileEntry *entry = list->head; entry != nullptr; entry = entry->next, ++count)
        keyBytes += strlen(entry->file) + 1;
    keys->resize(keyBytes);
    items->reserve(count);
    char *key = keys->data();
    for (SoundFileEntry *entry = list->head; entry != nullptr; entry = entry->next)
    {
        items->push_back(SortItem{key, entry});
        for (const char *c = entry->file; *c; ++c)
            *key++ = Str_ToLowerAscii(*c);
        *key++ = 0;
    }
    std::stable_sort(items->begin(), items->end(),
                     [](const SortItem &a, const SortItem &b) { return strcmp(a.key, b.key) < 0; });
}

// Folds entry, which names the leader's sound file, into the leader.
void FoldIntoLeader(SoundFileEntry *leader, const SoundFileEntry *entry, bool *conflictRecorded)
{
    if (Str_CaseCompare(entry->compression, leader->compression) == 0 || entry->compression[0] == 0)
        return;
    if (leader->compression[0] == 0)
    {
        memcpy(leader->compression, entry->compression, sizeof(leader->compression));
        return;
    }
    if (entry->compressionSetting > leader->compressionSetting)
        leader->compressionSetting = entry->compressionSetting;
    if (!*conflictRecorded)
        Tool_AddError(0, leader->file, TOOL_ERROR_MULTIPLE_COMPRESSION);
    *conflictRecorded = true;
}
} // namespace

void Tool_SortSoundList(SoundFileList *list)
{
    if (list->head == nullptr)
        return;
    std::vector<char> keys;
    std::vector<SortItem> items;
    SortItems(list, &keys, &items);
    for (size_t i = 0; i + 1 < items.size(); ++i)
        items[i].entry->next = items[i + 1].entry;
    items.back().entry->next = nullptr;
    list->head = items.front().entry;
}

void Tool_MergeSoundList(SoundFileList *list)
{
    if (list->count == 0 || list->head == nullptr)
        return;
    // Sorting and folding in one pass over the sorted keys: an entry is touched only to
    // link it or to fold it into the first one of its sound file.
    std::vector<char> keys;
    std::vector<SortItem> items;
    SortItems(list, &keys, &items);
    list->head = items.front().entry;
    SoundFileEntry *leader = items.front().entry;
    const char *leaderKey = items.front().key;
    bool conflictRecorded = false;
    for (size_t i = 1; i < items.size(); ++i)
    {
        SoundFileEntry *entry = items[i].entry;
        if (strcmp(items[i].key, leaderKey) != 0)
        {
            leader->next = entry;
            leader = entry;
            leaderKey = items[i].key;
            conflictRecorded = false;
            continue;
        }
        --list->count;
        FoldIntoLeader(leader, entry, &conflictRecorded);
        // Entries taken out of the list are released at once; nothing else refers to them.
        free(entry);
    }
    leader->next = nullptr;
}
