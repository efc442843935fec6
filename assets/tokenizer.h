// The script tokenizer shared by the text readers, and its stack of parse sessions.
#pragma once

constexpr int PARSE_TOKEN_SIZE = 1024;
constexpr int PARSE_SESSION_SLOTS = 16;

struct ParseSession
{
    char token[PARSE_TOKEN_SIZE]; // the last token returned, at most 1023 bytes
    bool csv;                     // CSV mode; cleared when the session opens
    const char *name;             // the name given on opening; referenced, not copied
};

// Opens a session named name (which must stay valid until the session closes) on top of
// the stack. With 15 sessions open it prints the open ones on channel 23 and an overflow
// report, and opens nothing; the matching Com_EndParseSession is then absorbed.
void Com_BeginParseSession(const char *name);

// Closes the current session. With none open it prints an underflow report and does
// nothing else.
void Com_EndParseSession();

// The current session (slot 0, the base slot, when none is open). Readers set its csv
// flag right after opening it.
ParseSession *Com_GetParseSession();

// The next token of the current session; moves *cursor (null once the text is used up).
// The result lives in the session's token buffer until the next call. An empty token means
// nothing to take: the text ended, the CSV row ended, or a line break was met where none
// is allowed. In CSV mode this is Com_ParseCsvField.
const char *Com_ParseToken(const char **cursor, bool allowLineBreaks);

// One comma-separated field; quoted parts may hold commas and line breaks, "" inside them
// gives one quote, nothing is trimmed. With line breaks not allowed a cursor resting on a
// line break gives an empty token and does not move: the row has ended.
const char *Com_ParseCsvField(const char **cursor, bool allowLineBreaks);

// A token read as a decimal number the way atoi reads it (leading white space, a sign,
// digits; no digits gives 0). Values beyond 32 bits are clamped to the nearest limit.
int Com_TokenToInt(const char *token);
