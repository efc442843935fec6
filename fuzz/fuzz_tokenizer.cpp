// The script tokenizer in both modes on any text: the general mode (white space, quotes,
// comments) as the compression table and history readers use it, and the CSV mode as
// the alias reader uses it, each once with line breaks always allowed and once row by
// row. Tokens stay within their buffer, the cursor stays within the text and always
// moves on when line breaks are allowed, and every session is closed again.
#include "assets/tokenizer.h"
#include "fuzz/fuzz_support.h"

#include <cstring>
#include <string>

namespace
{
void Walk(const std::string &text, bool csv, bool rowByRow)
{
    Com_BeginParseSession("fuzz.txt");
    Com_GetParseSession()->csv = csv;
    const char *begin = text.c_str();
    const char *end = begin + text.size();
    const char *cursor = begin;
    // A row starts with line breaks allowed; the fields after its first one are read
    // without, until the row ends with an empty token that leaves the cursor in place.
    bool allowLineBreaks = true;
    size_t calls = 0;
    while (cursor != nullptr)
    {
        const char *before = cursor;
        const char *token = Com_ParseToken(&cursor, allowLineBreaks);
        FUZZ_CHECK(token == Com_GetParseSession()->token);
        FUZZ_CHECK(strlen(token) < static_cast<size_t>(PARSE_TOKEN_SIZE));
        Com_TokenToInt(token);
        FUZZ_CHECK(cursor == nullptr || (cursor >= before && cursor <= end));
        if (allowLineBreaks)
            FUZZ_CHECK(cursor == nullptr || cursor > before);
        if (rowByRow)
            allowLineBreaks = cursor == before && token[0] == 0;
        // Every call either moves the cursor or ends a row; a row end is followed by a
        // call with line breaks allowed, so twice the text length bounds the calls.
        FUZZ_CHECK(++calls <= 2 * text.size() + 4);
    }
    Com_EndParseSession();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz_QuietOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ParseSession *base = Com_GetParseSession();
    std::string text = Fuzz_Text(data, size);
    for (bool csv : {false, true})
        for (bool rowByRow : {false, true})
            Walk(text, csv, rowByRow);
    FUZZ_CHECK(Com_GetParseSession() == base);
    return 0;
}
