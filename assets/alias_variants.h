// Numbered variants: an alias whose sound file is "stem_##.wav" stands for the numbered
// files of the folder raw/sound/stem of the source tree.
#pragma once

#include "records/sound_entry.h"

// Adds one entry per numbered file of the row's folder (the row's file holds the stem),
// in the order of their numbers; once a platform-specific file was taken, generic files
// after it are passed over. A folder that cannot be searched records an error and adds
// nothing; a variant path of 63 characters or more is reported and passed over. The row's
// file is left holding the last variant taken.
void Tool_AddNumberedVariants(SoundFileEntry *row, const char *aliasFileName);

// True when the platform-specific extension, or else ".wav", occurs in name after two
// ASCII digits.
bool Tool_HasVariantNumber(const char *name);

// True when a sorts before b: by the two digits before the extension, then a
// platform-specific name before a generic one.
bool Tool_CompareVariantNames(const char *a, const char *b);
