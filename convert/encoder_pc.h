// The "pc" platform's encoder: resampling and compression through external programs,
// then the PRIV header chunk, trimming or loop padding, and the target written.
#pragma once

#include "assets/history.h"
#include "records/sound_entry.h"

// Converts the source into the target. Failures are recorded and mark the history
// record failed; the target is then left as it was.
void Tool_EncodeSoundPC(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                        XUHistoryEntry *history);

// Starts the program named by argv[0] from the current folder and waits for it; counts
// the launch and its time. True when it exited with status 0.
bool Tool_RunEncoder(const char *const *argv);
