// Sound alias files: comma-separated tables of aliases turned into work-list entries.
#pragma once

// Reads soundaliases/<aliasFileName> through the engine file system and parses it with
// Tool_ParseAliasText. A file that cannot be read records an error (system error 2) and
// adds nothing.
void Tool_ParseAliasFile(int platformIndex, const char *aliasFileName);

// Parses the text of one alias file in a parse session named sessionName (which must stay
// valid until the call returns) and adds an entry per usable row to the loaded or the
// streamed list of the run state. Refused values are reported and recorded and skip their
// row; a header without name or file, or a row without them, ends the file there.
void Tool_ParseAliasText(int platformIndex, const char *aliasFileName, const char *sessionName,
                         const char *text);
