// The values of one alias row: checks, normalisation and the platform and compression
// decisions.
#include "assets/alias_row.h"

#include "assets/tokenizer.h"
#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/str.h"
#include "records/paths.h"
#include "records/tool_state.h"

#include <cstring>
#include <string>

const char *const aliasColumnNames[ALIAS_COLUMN_COUNT] = {
    "", "name", "file", "compression", "type", "platform", "loop", "conversion", "spatialized",
};

namespace
{
constexpr int PLATFORM_WORDS = 4;
constexpr int PLATFORM_COPY_SIZE = 64;

bool IsAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsEither(const char *value, const char *a, const char *b)
{
    return Str_CaseCompare(value, a) == 0 || Str_CaseCompare(value, b) == 0;
}

void RecordRowError(const char *aliasFileName, const std::string &detail, uint32_t toolError)
{
    Tool_AddError(0, (std::string(aliasFileName) + ": " + detail).c_str(), toolError);
}

void RefuseTooLong(SoundFileEntry *row, const char *aliasFileName, const char *what,
                   const char *value)
{
    Com_ReportError("Sound alias file %s: %s '%s' is longer than %i characters\n", aliasFileName,
                    what, value, ALIAS_VALUE_LIMIT);
    RecordRowError(aliasFileName, value, TOOL_ERROR_NAME_TOO_LONG);
    row->rejected = true;
}

void ParseName(SoundFileEntry *row, const char *aliasFileName, const char *value)
{
    if (strlen(value) >= static_cast<size_t>(ALIAS_VALUE_LIMIT))
    {
        RefuseTooLong(row, aliasFileName, "Alias name", value);
        return;
    }
    if (!Tool_IsValidAliasName(value))
    {
        Com_ReportError("Sound alias file %s: Alias name '%s' is invalid\n", aliasFileName, value);
        RecordRowError(aliasFileName, value, TOOL_ERROR_INVALID_ALIAS_NAME);
        row->rejected = true;
        return;
    }
    Str_Copy(row->name, value, sizeof(row->name));
}

// True when the value holds a drive or stream separator ":" or a parent-folder component.
// Windows drops trailing dots and blanks from a component, so "..." and ".. " count as
// ".." too: any component of two or more dots and nothing else but blanks.
bool LeavesSoundFolder(const char *value)
{
    if (strchr(value, ':') != nullptr)
        return true;
    int dots = 0;
    bool onlyDotsAndBlanks = true;
    for (const char *c = value;; ++c)
    {
        if (*c == 0 || *c == '/' || *c == '\\')
        {
            if (onlyDotsAndBlanks && dots >= 2)
                return true;
            if (*c == 0)
                return false;
            dots = 0;
            onlyDotsAndBlanks = true;
        }
        else if (*c == '.')
            ++dots;
        else if (*c != ' ')
            onlyDotsAndBlanks = false;
    }
}

void ParseFile(SoundFileEntry *row, const char *aliasFileName, const char *value)
{
    if (strlen(value) >= static_cast<size_t>(ALIAS_VALUE_LIMIT))
    {
        RefuseTooLong(row, aliasFileName, "Sound file", value);
        return;
    }
    // Sources are read and targets written below the sound folders only; a value that
    // would lead out of them is refused like any other bad value of the row.
    if (LeavesSoundFolder(value))
    {
        Com_ReportError("Sound alias file %s: Sound file '%s' leaves the sound folder\n",
                        aliasFileName, value);
        RecordRowError(aliasFileName, value, TOOL_ERROR_INVALID_CHARACTER);
        row->rejected = true;
        return;
    }
    const char *start = (value[0] == '\\' || value[0] == '/') ? value + 1 : value;
    char file[sizeof(row->file)];
    Str_Copy(file, start, sizeof(file));
    for (char *c = file; *c; ++c)
        if (*c == '\\')
            *c = '/';
    Str_StripExtension(file, file);
    // A name that the ".wav" extension would push past the field is refused like a name
    // that is too long as written, rather than cut to another file's name.
    if (strlen(file) + strlen(".wav") >= sizeof(file))
    {
        RefuseTooLong(row, aliasFileName, "Sound file", value);
        return;
    }
    strcat(file, ".wav");
    Str_Copy(row->file, file, sizeof(row->file));
}

void ParseCompression(SoundFileEntry *row, const char *aliasFileName, const char *value)
{
    if (strlen(value) >= static_cast<size_t>(ALIAS_VALUE_LIMIT))
    {
        RefuseTooLong(row, aliasFileName, "compression", value);
        return;
    }
    for (const char *c = value; *c; ++c)
    {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 128)
        {
            Com_ReportError(
                "Sound alias file %s: compression '%s' has invalid character '%c' ascii %i\n",
                aliasFileName, value, *c, byte);
            RecordRowError(aliasFileName, std::string(value) + " => " + *c,
                           TOOL_ERROR_INVALID_CHARACTER);
            row->rejected = true;
            return;
        }
    }
    Str_Copy(row->compression, value, sizeof(row->compression));
}
} // namespace

int Tool_AliasColumnNumber(const char *text)
{
    for (int column = 1; column < ALIAS_COLUMN_COUNT; ++column)
        if (Str_CaseCompare(text, aliasColumnNames[column]) == 0)
            return column;
    return ALIAS_COLUMN_UNKNOWN;
}

void Tool_InitAliasRow(SoundFileEntry *row, const char *aliasFileName,
                       bool seen[ALIAS_COLUMN_COUNT])
{
    // An alias file name longer than the field is cut; it only labels the entry.
    Str_Copy(row->aliasFile, aliasFileName, sizeof(row->aliasFile));
    row->name[0] = 0;
    row->file[0] = 0;
    row->compression[0] = 0;
    row->platformOk = true;
    row->streamed = false;
    row->rejected = false;
    row->compressionSetting = 0;
    row->looping = false;
    row->mp3 = false;
    row->spatialized = false;
    row->next = nullptr;
    for (int column = 0; column < ALIAS_COLUMN_COUNT; ++column)
        seen[column] = false;
}

void Tool_ParseAliasField(SoundFileEntry *row, int, const char *aliasFileName, const char *value,
                          int columnNumber, bool seen[ALIAS_COLUMN_COUNT])
{
    if (columnNumber <= ALIAS_COLUMN_UNKNOWN || columnNumber >= ALIAS_COLUMN_COUNT)
        return;
    const char *columnName = aliasColumnNames[columnNumber];
    if (seen[columnNumber])
    {
        Com_ReportError("Sound alias file %s: Duplicate entries for the '%s' column\n",
                        aliasFileName, columnName);
        RecordRowError(aliasFileName, columnName, TOOL_ERROR_DUPLICATE_COLUMN);
        row->rejected = true;
        return;
    }
    seen[columnNumber] = true;
    switch (columnNumber)
    {
    case ALIAS_COLUMN_NAME:
        ParseName(row, aliasFileName, value);
        break;
    case ALIAS_COLUMN_FILE:
        ParseFile(row, aliasFileName, value);
        break;
    case ALIAS_COLUMN_COMPRESSION:
        ParseCompression(row, aliasFileName, value);
        break;
    case ALIAS_COLUMN_TYPE:
        row->streamed = IsEither(value, "streamed", "primed");
        break;
    case ALIAS_COLUMN_PLATFORM:
        row->platformOk = Tool_PlatformMatches(value, toolState.run.platform->aliasPlatformName,
                                               aliasFileName, row->name);
        break;
    case ALIAS_COLUMN_LOOP:
        row->looping = IsEither(value, "looping", "rlooping");
        break;
    case ALIAS_COLUMN_CONVERSION:
        row->mp3 = Str_CaseCompare(value, "mp3") == 0;
        break;
    case ALIAS_COLUMN_SPATIALIZED:
        row->spatialized = Str_CaseCompare(value, "3d") == 0;
        break;
    }
}

bool Tool_IsValidAliasName(const char *text)
{
    for (const char *c = text; *c; ++c)
    {
        bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
        bool digit = *c >= '0' && *c <= '9';
        if (!letter && !digit && *c != '_')
            return false;
    }
    return true;
}

bool Tool_PlatformMatches(const char *value, const char *platformWord, const char *aliasFileName,
                          const char *aliasName)
{
    if (value[0] == 0)
        return true;
    // A value that does not fit the working copy is refused rather than cut, since a cut
    // word could name another platform: the alias does not count for the platform.
    if (strlen(value) >= static_cast<size_t>(PLATFORM_COPY_SIZE))
    {
        Com_ErrorPrint("file %s alias %s has a platform value longer than %i characters\n",
                       aliasFileName, aliasName, PLATFORM_COPY_SIZE - 1);
        return false;
    }
    char copy[PLATFORM_COPY_SIZE];
    Str_Copy(copy, value, sizeof(copy));

    bool excluded = false;
    bool included = false;
    bool anyExclusion = false;
    char *p = copy;
    for (int words = 0; words < PLATFORM_WORDS; ++words)
    {
        while (*p != 0 && IsAsciiSpace(*p))
            ++p;
        if (*p == 0)
            break;
        char *word = p;
        while (*p != 0 && !IsAsciiSpace(*p))
            ++p;
        if (*p != 0)
            *p++ = 0;
        if (word[0] == '!')
        {
            anyExclusion = true;
            if (Str_CaseCompare(word + 1, platformWord) == 0)
                excluded = true;
        }
        else if (Str_CaseCompare(word, platformWord) == 0)
        {
            included = true;
        }
    }
    if (excluded)
    {
        if (included)
            Com_ErrorPrint("file %s alias %s has a platform both excluded and included\n",
                           aliasFileName, aliasName);
        return false;
    }
    return included || anyExclusion;
}

bool Tool_ResolveCompression(SoundFileEntry *row)
{
    const CompressionTable &table = toolState.run.compressionTable;
    const PlatformInfo *platform = toolState.run.platform;
    for (int i = 0; i < table.count; ++i)
    {
        if (Str_CaseCompare(row->compression, table.entries[i].name) == 0)
        {
            row->compressionSetting = table.entries[i].setting;
            return true;
        }
    }
    row->compressionSetting = Com_TokenToInt(row->compression);
    return row->compressionSetting >= platform->minCompression &&
           row->compressionSetting <= platform->maxCompression;
}
