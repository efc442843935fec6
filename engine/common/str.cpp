// Case-insensitive comparison, extension stripping, wildcard matching.
#include "engine/common/str.h"

#include <cctype>
#include <cstring>

int Str_CaseCompareN(const char *a, const char *b, int n)
{
    const unsigned char *pa = reinterpret_cast<const unsigned char *>(a);
    const unsigned char *pb = reinterpret_cast<const unsigned char *>(b);
    for (; n > 0; --n, ++pa, ++pb)
    {
        unsigned char ca = *pa;
        unsigned char cb = *pb;
        if (ca != cb)
        {
            if (ca >= 'A' && ca <= 'Z')
                ca = static_cast<unsigned char>(ca + ('a' - 'A'));
            if (cb >= 'A' && cb <= 'Z')
                cb = static_cast<unsigned char>(cb + ('a' - 'A'));
            if (ca != cb)
                return ca < cb ? -1 : 1;
        }
        if (ca == 0)
            return 0;
    }
    return 0;
}

int Str_CaseCompare(const char *a, const char *b)
{
    return Str_CaseCompareN(a, b, 2147483647);
}

void Str_StripExtension(const char *in, char *out)
{
    size_t length = strlen(in);
    size_t cut = length;
    for (size_t i = length; i > 0; --i)
    {
        char c = in[i - 1];
        if (c == '/' || c == '\\')
            break;
        if (c == '.')
        {
            cut = i - 1;
            break;
        }
    }
    if (out != in)
        memmove(out, in, cut);
    out[cut] = 0;
}

int Str_WildcardMatch(const char *pattern, const char *name)
{
    // Iterative form of the recursive matcher: a "*" first swallows as much as it can,
    // backing off one character at a time; the first success wins either way.
    const char *starPattern = nullptr;
    const char *starName = nullptr;
    for (;;)
    {
        if (*pattern == '*')
        {
            if (pattern[1] == 0)
                return 0;
            starPattern = pattern++;
            starName = name;
            continue;
        }
        if (*pattern == 0 && *name == 0)
            return 0;
        if (*pattern != 0 && *name != 0 &&
            (*pattern == '?' || tolower(static_cast<unsigned char>(*pattern)) ==
                                    tolower(static_cast<unsigned char>(*name))))
        {
            ++pattern;
            ++name;
            continue;
        }
        if (starPattern == nullptr || *starName == 0)
            return 1;
        pattern = starPattern + 1;
        name = ++starName;
    }
}
