// The platform table and the two work lists of sound file entries.
#include "assets/sound_entry.h"

#include "convert/encoder_pc.h"
#include "engine/common/memory.h"
#include "tool/tool_state.h"

#include <cstdlib>
#include <cstring>

const PlatformInfo platformTable[PLATFORM_COUNT] = {
    {"pc", "", "PC", ".wav", ".pc.wav", "raw", "raw", "devraw", "devraw", "", "Auralith.hst", 0, 0,
     42, Tool_EncodeSoundPC},
};

void Tool_AddSoundFileEntry(const SoundFileEntry *row)
{
    // A failed allocation raises ComErrorClass inside Z_Malloc, which ends the platform's
    // run; no half-made entry is ever linked.
    SoundFileEntry *entry = static_cast<SoundFileEntry *>(Z_Malloc(sizeof(SoundFileEntry)));
    memcpy(entry, row, sizeof(SoundFileEntry));
    SoundFileList &list = row->streamed ? toolState.streamedList : toolState.loadedList;
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
