// The two work lists of sound file entries.
#include "records/sound_entry.h"

#include "engine/common/console.h"
#include "engine/common/memory.h"
#include "records/tool_state.h"

#include <cstdlib>
#include <cstring>

void Tool_AddSoundFileEntry(const SoundFileEntry *row)
{
    // A failed allocation raises ComErrorClass inside Z_Malloc, which ends the platform's
    // run; no half-made entry is ever linked.
    SoundFileEntry *entry = static_cast<SoundFileEntry *>(Z_Malloc(sizeof(SoundFileEntry)));
    memcpy(entry, row, sizeof(SoundFileEntry));
    SoundFileList &list = row->streamed ? toolState.run.streamedList : toolState.run.loadedList;
    entry->next = list.head;
    list.head = entry;
    ++list.count;
}

void Tool_FreeSoundList(SoundFileList *list)
{
    SoundFileEntry *entry = list->head;
    while (entry != nullptr)
    {
        SoundFileEntry *next = entry->next;
        free(entry);
        entry = next;
    }
    list->head = nullptr;
    list->count = 0;
}
