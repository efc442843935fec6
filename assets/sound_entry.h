// The platform table and the work-list records that carry sound files through a run.
#pragma once

#include <cstdint>

struct SoundFileEntry;
struct XUHistoryEntry;

// Called once per sound file with the entry, the source path, the target path and the
// history record (null when a side action runs). The platform encoders and the side
// actions share this shape.
typedef void (*Tool_FileAction)(SoundFileEntry *entry, const char *sourcePath,
                                const char *targetPath, XUHistoryEntry *history);

struct PlatformInfo
{
    const char *name;
    const char *outputDir;
    const char *aliasPlatformName;
    const char *targetExt;
    const char *platformSourceExt;
    const char *rawStreamedDir;
    const char *rawLoadedDir;
    const char *devrawStreamedDir;
    const char *devrawLoadedDir;
    const char *compressionTableFile;
    const char *historyFile;
    int32_t minCompression;
    int32_t maxCompression;
    int32_t maxNameComponent;
    Tool_FileAction encode;
};

constexpr int PLATFORM_COUNT = 1;
extern const PlatformInfo platformTable[PLATFORM_COUNT];

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
