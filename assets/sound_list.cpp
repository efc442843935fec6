// Sorting and merging the work lists.
#include "assets/sound_list.h"

#include "engine/common/str.h"
#include "tool/console.h"

#include <cstdlib>
#include <cstring>

namespace
{
// Merges two sorted chains, taking from the first while its entry is not greater, and
// returns the head; *tail receives the last entry.
SoundFileEntry *MergeRuns(SoundFileEntry *a, SoundFileEntry *b, SoundFileEntry **tail)
{
    SoundFileEntry head;
    SoundFileEntry *last = &head;
    while (a != nullptr && b != nullptr)
    {
        if (Str_CaseCompare(a->file, b->file) <= 0)
        {
            last->next = a;
            a = a->next;
        }
        else
        {
            last->next = b;
            b = b->next;
        }
        last = last->next;
    }
    last->next = a != nullptr ? a : b;
    while (last->next != nullptr)
        last = last->next;
    *tail = last;
    return head.next;
}

// Cuts the first n entries off the chain and returns the rest.
SoundFileEntry *Split(SoundFileEntry *chain, int n)
{
    for (int i = 1; chain != nullptr && i < n; ++i)
        chain = chain->next;
    if (chain == nullptr)
        return nullptr;
    SoundFileEntry *rest = chain->next;
    chain->next = nullptr;
    return rest;
}
} // namespace

void Tool_SortSoundList(SoundFileList *list)
{
    if (list->head == nullptr)
        return;
    // Bottom-up: merge neighbouring runs of width 1, 2, 4 ... A stable sort has only one
    // possible result, so this orders exactly as the halving merge sort would.
    for (int width = 1;; width *= 2)
    {
        SoundFileEntry *rest = list->head;
        SoundFileEntry *sortedHead = nullptr;
        SoundFileEntry *sortedTail = nullptr;
        int merges = 0;
        while (rest != nullptr)
        {
            SoundFileEntry *left = rest;
            SoundFileEntry *right = Split(left, width);
            rest = Split(right, width);
            SoundFileEntry *tail;
            SoundFileEntry *merged = MergeRuns(left, right, &tail);
            if (sortedTail == nullptr)
                sortedHead = merged;
            else
                sortedTail->next = merged;
            sortedTail = tail;
            ++merges;
        }
        list->head = sortedHead;
        if (merges <= 1)
            break;
    }
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
