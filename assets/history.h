// The history file: which sound files were converted with which compression setting.
#pragma once

#include "records/history_entry.h"

#include <cstdint>

// Frees both lists and refills them from the current platform's history file. A missing,
// unreadable, foreign or wrong-version file is reported and leaves the lists empty; a
// record cut short is reported and ends the reading, keeping the records before it.
void Tool_ReadHistory();
// Makes a record with a clear failed flag and pushes it at the head of the streamed or
// the loaded list. A name longer than the record's field is cut.
XUHistoryEntry *Tool_NewHistoryEntry(const char *name, int32_t compressionSetting, bool streamed,
                                     bool devOnly, int32_t syncTimeLow, int32_t syncTimeHigh);
// Returns the first record of the name in the list of its kind, or a new one that then
// heads that list; created tells which.
XUHistoryEntry *Tool_FindHistoryEntry(const char *name, int32_t compressionSetting, bool streamed,
                                      bool devOnly, bool *created);
// Replaces the current platform's history file with both lists, leaving out failed
// records. When the new file cannot be written an error (tool error 4) is recorded and
// the old file stays as it was.
void Tool_WriteHistory();
// Frees every record of both lists and empties them.
void Tool_FreeHistory();
