// Sorting a work list by sound file and folding the entries of one sound file into one.
#pragma once

#include "records/sound_entry.h"

// Stable sort of the list by file, ignoring ASCII case; entries of one file keep their
// order. Runs in O(n log n).
void Tool_SortSoundList(SoundFileList *list);

// Sorts the list, then keeps the first entry of each sound file and releases the others.
// The kept entry takes the compression text of a later one when its own is empty; two
// different compressions give the larger setting and, once per sound file, an error
// record (tool error 10).
void Tool_MergeSoundList(SoundFileList *list);
