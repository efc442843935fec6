// The list and copy side actions.
#pragma once

#include "records/history_entry.h"
#include "records/sound_entry.h"

// Lists the converted file of the entry relative to the kit root, or copies it below
// the copy destination, as the options ask.
void Tool_CopyOrListFile(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                         XUHistoryEntry *history);
