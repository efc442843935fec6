// Where a sound file comes from and goes to, and whether its converted file is out of
// date. Three steps, in the order the list loop takes them: the paths formed from the
// entry alone (no disk), the source found on disk, and the decision from the history
// record and the two last-write times. None of them changes anything on disk or in the
// run state but the error records.
#pragma once

#include "records/history_entry.h"
#include "records/sound_entry.h"
#include "records/tool_state.h"

// The names and paths of one entry before the disk is asked: the source and the target
// under raw and under devraw, both "/"-separated as formed (the target's extension and
// separators are settled once its source is known). The devraw pair is formed only in
// case the raw source is missing; devrawFits tells whether it fits the path size.
struct SoundFilePaths
{
    bool localized;
    bool devrawFits;
    char historyName[TOOL_PATH_SIZE];
    char rawSource[TOOL_PATH_SIZE];
    char rawTarget[TOOL_PATH_SIZE];
    char devrawSource[TOOL_PATH_SIZE];
    char devrawTarget[TOOL_PATH_SIZE];
};

enum SoundFilePathsResult
{
    SOUND_PATHS_FORMED,
    SOUND_PATHS_SKIPPED,  // localized or not, as the skip options say: nothing to do
    SOUND_PATHS_TOO_LONG, // a name part longer than the platform allows, or a path of 260
};

// Forms the paths of entry below the source root and outputRoot, as the options, the
// folders and the platform being run say. Pure: the disk is not asked.
SoundFilePathsResult Tool_FormSoundFilePaths(const char *outputRoot, const SoundFileEntry *entry,
                                             SoundFilePaths *paths);

// One sound file as the loop hands it on: its history name, its source and target (both
// backslash-separated), whether the source lies under devraw and whether it is localized.
struct SoundFileJob
{
    char historyName[TOOL_PATH_SIZE];
    char sourcePath[TOOL_PATH_SIZE];
    char targetPath[TOOL_PATH_SIZE];
    bool devraw;
    bool localized;
};

enum SoundFilePrepared
{
    SOUND_FILE_PREPARED,
    SOUND_FILE_SKIPPED,        // by "-skip-localized" or "-skip-non-localized"
    SOUND_FILE_NAME_TOO_LONG,  // recorded: tool error 2
    SOUND_FILE_SOURCE_MISSING, // recorded: system error 2
};

// Forms the paths and finds the source: under raw, else under devraw, and a
// platform-specific source beside it in its place. Anything but SOUND_FILE_PREPARED means
// the entry goes no further.
SoundFilePrepared Tool_PrepareSoundFile(const char *outputRoot, const SoundFileEntry *entry,
                                        SoundFileJob *job);

// Why a sound file is converted, in the order the decision tests it.
enum ConversionReason
{
    CONVERSION_UP_TO_DATE,
    CONVERSION_NO_HISTORY_RECORD,
    CONVERSION_COMPRESSION_CHANGED,
    CONVERSION_TARGET_MISSING, // or its time cannot be read
    CONVERSION_SOURCE_NEWER,   // or the source's time cannot be read
};

// The decision for a job whose history record was just found (created: made for it now).
ConversionReason Tool_DecideConversion(const XUHistoryEntry *record, bool created,
                                       int32_t compressionSetting, const SoundFileJob &job);

// True unless both last-write times can be read and the source is not later.
bool Tool_IsTargetStale(const char *targetPath, const char *sourcePath);
