// The list loop: every entry of a work list in order, each prepared, decided and handed to
// the platform's encoder or to the side action, with the progress line drawn beside it.
#pragma once

#include "records/platform_info.h"
#include "records/sound_entry.h"

// Visits every entry of one work list in order, counting each in filesCount; outputRoot is
// the platform's output folder below the kit root. After an interrupt no further entry is
// visited.
void Tool_ProcessSoundList(const char *outputRoot, SoundFileEntry *head, int count,
                           Tool_FileAction action);

// One entry: its paths and source; with an action, the action; otherwise the output
// folder made, the target taken out of the orphan candidates, the history record found or
// made and, when the file is out of date, the platform's encoder.
void Tool_ProcessSoundFile(const char *outputRoot, SoundFileEntry *entry, Tool_FileAction action);
