// The header and the rows of an alias file's text.
#include "assets/alias_file.h"

#include "assets/alias_row.h"
#include "assets/alias_variants.h"
#include "assets/tokenizer.h"
#include "engine/common/console.h"

#include <cstring>

namespace
{
constexpr int MAX_HEADER_FIELDS = 256;

// Moves the cursor past the next line feed; a plain scan, not a CSV read.
void SkipLine(const char **cursor)
{
    if (*cursor == nullptr)
        return;
    const char *lineFeed = strchr(*cursor, '\n');
    *cursor = lineFeed != nullptr ? lineFeed + 1 : nullptr;
}

// Reads the header row whose first field was already read. False when it lacks the name
// or the file column.
bool ParseHeader(const char **cursor, const char *field, int *columns, int *columnCount)
{
    bool sawName = false;
    bool sawFile = false;
    int count = 0;
    for (;;)
    {
        int column = Tool_AliasColumnNumber(field);
        sawName = sawName || column == ALIAS_COLUMN_NAME;
        sawFile = sawFile || column == ALIAS_COLUMN_FILE;
        columns[count++] = column;
        if (count == MAX_HEADER_FIELDS || *cursor == nullptr || **cursor == '\n')
            break;
        field = Com_ParseToken(cursor, false);
    }
    *columnCount = count;
    return sawName && sawFile;
}

// Adds the entries of a row whose values were all accepted, printing the decision in
// verbose mode.
void TakeRow(SoundFileEntry *row, const char *aliasFileName)
{
    if (row->rejected || !row->platformOk)
    {
        Com_PrintVerbose("skipping alias %s %s (%s)\n", row->name, row->file,
                         row->rejected ? "error" : "platform");
        return;
    }
    if (!Tool_ResolveCompression(row))
    {
        Com_PrintVerbose("skipping alias %s %s (no compression)\n", row->name, row->file);
        return;
    }
    char *numbered = strstr(row->file, "_##.wav");
    if (numbered != nullptr)
    {
        *numbered = 0;
        Tool_AddNumberedVariants(row, aliasFileName);
    }
    else
    {
        Tool_AddSoundFileEntry(row);
    }
    Com_PrintVerbose("adding alias %s %s\n", row->name, row->file);
}
} // namespace

void Tool_ParseAliasText(int platformIndex, const char *aliasFileName, const char *sessionName,
                         const char *text)
{
    Com_BeginParseSession(sessionName);
    Com_GetParseSession()->csv = true;

    int columns[MAX_HEADER_FIELDS];
    int columnCount = 0;
    SoundFileEntry row;
    memset(&row, 0, sizeof(row));
    bool seen[ALIAS_COLUMN_COUNT];
    const char *cursor = text;
    for (;;)
    {
        const char *field = Com_ParseToken(&cursor, true);
        if (cursor == nullptr)
            break;
        if (field[0] == 0 || field[0] == '#')
        {
            SkipLine(&cursor);
            continue;
        }
        if (columnCount == 0)
        {
            if (!ParseHeader(&cursor, field, columns, &columnCount))
            {
                Com_ReportError("Sound alias file %s: missing 'name' and/or 'file' columns\n",
                                aliasFileName);
                break;
            }
            SkipLine(&cursor);
            continue;
        }

        Tool_InitAliasRow(&row, aliasFileName, seen);
        for (int i = 0; i < columnCount; ++i)
        {
            if (field[0] != 0)
                Tool_ParseAliasField(&row, platformIndex, aliasFileName, field, columns[i], seen);
            if (i + 1 < columnCount)
                field = Com_ParseToken(&cursor, false);
        }
        if (!seen[ALIAS_COLUMN_NAME] || !seen[ALIAS_COLUMN_FILE])
        {
            Com_ReportError("Sound alias file %s: alias entry missing name and/or file\n",
                            aliasFileName);
            break;
        }
        TakeRow(&row, aliasFileName);
        SkipLine(&cursor);
    }
    Com_EndParseSession();
}
