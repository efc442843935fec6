// The columns of a sound alias file and the rules for the values of one row.
#pragma once

#include "records/sound_entry.h"

enum AliasColumn
{
    ALIAS_COLUMN_UNKNOWN = 0,
    ALIAS_COLUMN_NAME = 1,
    ALIAS_COLUMN_FILE = 2,
    ALIAS_COLUMN_COMPRESSION = 3,
    ALIAS_COLUMN_TYPE = 4,
    ALIAS_COLUMN_PLATFORM = 5,
    ALIAS_COLUMN_LOOP = 6,
    ALIAS_COLUMN_CONVERSION = 7,
    ALIAS_COLUMN_SPATIALIZED = 8,
};

constexpr int ALIAS_COLUMN_COUNT = 9; // 0 (unknown) to 8

// The column names by number; entry 0 is the unknown column.
extern const char *const aliasColumnNames[ALIAS_COLUMN_COUNT];

// The longest alias name, sound file and compression value accepted is one less.
constexpr int ALIAS_VALUE_LIMIT = 63;

// The number of the column whose name equals text ignoring ASCII case, or 0.
int Tool_AliasColumnNumber(const char *text);

// Resets the row record for a new row of aliasFileName (cut to the 63 characters of the
// field) and clears the seen flags.
void Tool_InitAliasRow(SoundFileEntry *row, const char *aliasFileName,
                       bool seen[ALIAS_COLUMN_COUNT]);

// Checks one non-empty value of the given column and stores it in the row. Refused values
// are reported, recorded as errors and set the row's rejected flag. A column given twice in
// one row is refused the same way, and so is a sound file that would lead out of the sound
// folders (one holding ":" or a ".." component).
void Tool_ParseAliasField(SoundFileEntry *row, int platformIndex, const char *aliasFileName,
                          const char *value, int columnNumber, bool seen[ALIAS_COLUMN_COUNT]);

// True when every byte is an ASCII letter, digit or "_".
bool Tool_IsValidAliasName(const char *text);

// Whether a platform column value names the platform whose alias word is platformWord:
// an empty value matches all; "!word" excludes; other words include; a list of exclusions
// only means every other platform. A platform both excluded and included is printed as an
// error (with aliasFileName and aliasName) and does not match.
bool Tool_PlatformMatches(const char *value, const char *platformWord, const char *aliasFileName,
                          const char *aliasName);

// Sets the row's compressionSetting from the compression table or the number in its text.
// False when the setting lies outside the current platform's range.
bool Tool_ResolveCompression(SoundFileEntry *row);
