// The side actions that inspect sound files instead of converting them. Both map the
// file read-only, never create or change a file, and write their findings as single
// lines on standard error (outside the log and the error records).
#pragma once

#include "records/history_entry.h"
#include "records/sound_entry.h"

// For a spatialized entry, reads the source wave and prints
// "ERROR: <alias file>: <name> (<file>) -- FAILED READING" when it cannot be read or
// summarised, or "... -- 3D Sound with <n> channels" when it has more than one channel.
// Entries that are not spatialized are not examined. Matches Tool_FileAction.
void Tool_Check3D(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                  XUHistoryEntry *history);

// Reads the target and prints "ERROR: Failed reading <target>" when it cannot be read,
// "ERROR: PRIV chunk found, but not in the header in <target>" when its PRIV chunk
// header does not start within the first 2096 bytes, or "ERROR: No PRIV chunk in
// <target>" when it has none (also for images that are not RIFF waves). Matches
// Tool_FileAction.
void Tool_CheckPriv(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                    XUHistoryEntry *history);
