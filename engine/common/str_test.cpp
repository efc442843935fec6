// String helpers: case folding of ASCII only, extensions, wildcards, and the formatted
// texts of the va ring.
#include "engine/common/format.h"
#include "engine/common/str.h"

#include <gtest/gtest.h>
#include <string>

TEST(StrTest, CaseCompareFoldsAsciiOnly)
{
    EXPECT_EQ(0, Str_CaseCompare("Main", "MAIN"));
    EXPECT_EQ(0, Str_CaseCompareN("abc", "abd", 2));
    EXPECT_EQ(-1, Str_CaseCompare("abc", "abcd"));
    EXPECT_EQ(1, Str_CaseCompare("abcd", "ABC"));
    // Bytes above 127 are never folded: an accented capital and its small letter differ.
    EXPECT_EQ(-1, Str_CaseCompare("\xC9", "\xE9"));
    // Comparison is by unsigned byte after folding: "_" sorts before lower-case letters.
    EXPECT_EQ(-1, Str_CaseCompare("_", "A"));
}

// Only the last extension of the last component goes: AliasRowTest.SoundFilesAreNormalisedToWav...
// ("a.b.c", "dir.v2/name").
TEST(StrTest, StripExtensionInPlaceAndOfHiddenNames)
{
    char out[64] = "x.pc";
    Str_StripExtension(out, out);
    EXPECT_STREQ("x", out);
    Str_StripExtension(".hidden", out);
    EXPECT_STREQ("", out);
    Str_StripExtension("dir\\.hidden", out);
    EXPECT_STREQ("dir\\", out);
}

// Matches are checked against a table-driven matcher by the fuzz target
// (fuzz/fuzz_wildcard.cpp); here only that the matcher is not exponential.
TEST(StrTest, WildcardMatchTakesNoExponentialTime)
{
    std::string name(200, 'a');
    EXPECT_NE(0, Str_WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name.c_str()));
    EXPECT_EQ(0, Str_WildcardMatch("*a*a*a*a*a*a*a*a*a*a*a", name.c_str()));
}

TEST(FormatTest, VaRingWrapsWithoutOverwritingRecentResults)
{
    // A text of 31990 characters leaves too little room behind it for the next 20000,
    // wherever the ring cursor stood before: the next one starts the ring afresh.
    std::string huge(31990, 'h');
    std::string big(20000, 'x');
    va("%s", huge.c_str());
    const char *first = va("%s", big.c_str());
    const char *second = va("%s", "short");
    EXPECT_EQ(big, first);
    EXPECT_EQ(first + 20001, second);
    // 20006 bytes are used; another 20000-byte text goes to the start of the ring,
    // overwriting the first result but not the second.
    const char *third = va("%s", big.c_str());
    EXPECT_EQ(third, first);
    EXPECT_STREQ("short", second);
    EXPECT_EQ(big, third);
}
