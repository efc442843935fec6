// The list loop: source and target paths of every sound file, the up-to-date decision,
// and the hand-over to the encoder or the side action.
#pragma once

#include "assets/history.h"
#include "assets/sound_entry.h"

// Visits every entry of one work list in order, counting each in filesCount.
void Tool_ProcessSoundList(SoundFileEntry *head, int count, Tool_FileAction action);

// Prepares one entry and, when it is out of date (or an action is given), hands it to
// the action or to the platform's encoder.
void Tool_ProcessSoundFile(const char *outputRoot, SoundFileEntry *entry, Tool_FileAction action);

// Forms the source and target paths (buffers of TOOL_PATH_SIZE) and answers whether the
// entry is to be converted (or given to the action). Records errors for names that are
// too long and sources that are missing.
bool Tool_PrepareSoundFile(const char *outputRoot, XUHistoryEntry **historySlot,
                           SoundFileEntry *entry, char *sourcePath, char *targetPath,
                           Tool_FileAction action);

// True unless both last-write times can be read and the source is not later.
bool Tool_IsTargetStale(const char *targetPath, const char *sourcePath);
