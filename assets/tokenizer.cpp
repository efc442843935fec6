// The parse session stack and the two tokenizer modes: general (white space, quotes,
// comments) and CSV (one field of a row).
#include "assets/tokenizer.h"

#include "engine/common/console.h"

#include <climits>
#include <cstdint>

namespace
{
ParseSession sessions[PARSE_SESSION_SLOTS] = {{{0}, false, ""}};
int sessionCount;
// Opens refused for lack of a slot; their closes are absorbed so that they never close a
// session that is still in use by an outer reader.
int refusedSessions;

constexpr int MAX_TOKEN_LENGTH = PARSE_TOKEN_SIZE - 1;

bool IsWhitespace(char c)
{
    return static_cast<signed char>(c) <= 32;
}

// Appends one byte unless the token is full; the caller keeps counting past the limit.
void Append(char *token, int &length, char c)
{
    if (length < MAX_TOKEN_LENGTH)
        token[length] = c;
    ++length;
}

void Finish(char *token, int length)
{
    token[length < MAX_TOKEN_LENGTH ? length : MAX_TOKEN_LENGTH] = 0;
}
} // namespace

void Com_BeginParseSession(const char *name)
{
    if (sessionCount == PARSE_SESSION_SLOTS - 1)
    {
        Com_Print(CHANNEL_PARSE, "Already parsing:\n");
        for (int i = 1; i <= sessionCount; ++i)
            Com_Print(CHANNEL_PARSE, "%i. %s\n", i, sessions[i].name);
        Com_ReportError("Com_BeginParseSession: session overflow trying to parse %s\n", name);
        // Refused: no slot beyond the last may be used; the count stays at 15.
        ++refusedSessions;
        return;
    }
    ++sessionCount;
    ParseSession &session = sessions[sessionCount];
    session.token[0] = 0;
    session.csv = false;
    session.name = name;
}

void Com_EndParseSession()
{
    if (refusedSessions > 0)
    {
        --refusedSessions;
        return;
    }
    if (sessionCount == 0)
    {
        // The extra close is ignored; the count never goes below zero.
        Com_ReportError("Com_EndParseSession: session underflow");
        return;
    }
    --sessionCount;
}

ParseSession *Com_GetParseSession()
{
    return &sessions[sessionCount];
}

const char *Com_ParseToken(const char **cursor, bool allowLineBreaks)
{
    ParseSession &session = sessions[sessionCount];
    if (session.csv)
        return Com_ParseCsvField(cursor, allowLineBreaks);

    char *token = session.token;
    token[0] = 0;
    if (*cursor == nullptr)
        return token;

    const char *start = *cursor;
    const char *p = start;
    bool passedLineFeed = false;
    for (;;)
    {
        while (*p != 0 && IsWhitespace(*p))
        {
            if (*p == '\n')
                passedLineFeed = true;
            ++p;
        }
        if (*p == 0)
        {
            *cursor = nullptr;
            return token;
        }
        if (passedLineFeed && !allowLineBreaks)
        {
            *cursor = start;
            return token;
        }
        if (p[0] == '/' && p[1] == '/')
        {
            while (*p != 0 && *p != '\n')
                ++p;
            continue;
        }
        if (p[0] == '/' && p[1] == '*')
        {
            // The search for the closing "*/" starts at the opening star, so "/*/" is a
            // whole comment.
            ++p;
            while (*p != 0 && !(p[0] == '*' && p[1] == '/'))
                ++p;
            if (*p != 0)
                p += 2;
            continue;
        }
        break;
    }

    int length = 0;
    if (*p == '"')
    {
        ++p;
        while (*p != 0 && *p != '"')
        {
            if (p[0] == '\\' && (p[1] == '"' || p[1] == '\\'))
                ++p;
            Append(token, length, *p);
            ++p;
        }
        if (*p == '"')
            ++p;
    }
    else
    {
        while (*p != 0 && !IsWhitespace(*p))
        {
            Append(token, length, *p);
            ++p;
        }
    }
    Finish(token, length);
    *cursor = p;
    return token;
}

const char *Com_ParseCsvField(const char **cursor, bool allowLineBreaks)
{
    char *token = sessions[sessionCount].token;
    token[0] = 0;
    if (*cursor == nullptr)
        return token;

    const char *p = *cursor;
    if (allowLineBreaks)
    {
        while (*p == '\r' || *p == '\n')
            ++p;
    }
    else if (*p == '\r' || *p == '\n')
    {
        return token;
    }
    if (*p == 0)
    {
        *cursor = nullptr;
        return token;
    }

    int length = 0;
    for (;;)
    {
        char c = *p;
        if (c == 0 || c == '\n')
            break;
        ++p;
        if (c == ',')
            break;
        if (c == '\r')
            continue;
        if (c != '"')
        {
            Append(token, length, c);
            continue;
        }
        while (*p != 0)
        {
            if (*p == '"')
            {
                if (p[1] != '"')
                {
                    ++p;
                    break;
                }
                ++p;
            }
            Append(token, length, *p);
            ++p;
        }
    }
    Finish(token, length);
    if (*p == 0 && length == 0)
        *cursor = nullptr;
    else
        *cursor = p;
    return token;
}

int Com_TokenToInt(const char *token)
{
    const char *p = token;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        if (value <= static_cast<int64_t>(INT_MAX) + 1)
            value = value * 10 + (*p - '0');
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
