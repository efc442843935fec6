// The work-list records that carry sound files through a run.
#pragma once

#include <cstdint>

struct SoundFileEntry
{
    char aliasFile[64];
    char name[64];
    char file[64];
    char compression[64];
    bool platformOk;
    bool streamed;
    bool rejected;
    int32_t compressionSetting;
    bool looping;
    bool mp3;
    bool spatialized;
    SoundFileEntry *next;
};

// One work list: a head and a count.
struct SoundFileList
{
    SoundFileEntry *head;
    int count;
};

// Copies the row into a new zeroed heap entry and pushes it at the head of the
// streamed or the loaded list of the run state.
void Tool_AddSoundFileEntry(const SoundFileEntry *row);

// Releases every entry of a list and empties it.
void Tool_FreeSoundList(SoundFileList *list);
