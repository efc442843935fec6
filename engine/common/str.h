// Comparison, extension stripping and wildcard matching of names. Case is folded for
// the ASCII letters only, never by locale.
#pragma once

// Compares at most n characters as unsigned bytes with A-Z folded to a-z. Returns -1,
// 0 or +1.
int Str_CaseCompareN(const char *a, const char *b, int n);

// Str_CaseCompareN over whole strings.
int Str_CaseCompare(const char *a, const char *b);

// Copies in to out without the extension (from the last "." after the last "/" or
// "\"). out may be in itself.
void Str_StripExtension(const char *in, char *out);

// 0 when name matches pattern ("*" any run, "?" any character, letters in either
// case), non-zero otherwise.
int Str_WildcardMatch(const char *pattern, const char *name);

// The ASCII-only lower case of one byte.
inline char Str_ToLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Strict-weak "less than" by Str_CaseCompare, for ordered containers of names.
struct Str_CaseLess
{
    template <class S> bool operator()(const S &a, const S &b) const
    {
        return Str_CaseCompare(a.c_str(), b.c_str()) < 0;
    }
};
