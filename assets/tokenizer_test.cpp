// Tests of the general and CSV tokenizer modes and the parse session stack.
#include "assets/tokenizer.h"

#include "assets/asset_test_fixture.h"

#include <climits>

namespace
{
class TokenizerTest : public AssetTest
{
  protected:
    void SetUp() override
    {
        AssetTest::SetUp();
        Com_BeginParseSession("test.txt");
    }
    void TearDown() override
    {
        Com_EndParseSession();
        AssetTest::TearDown();
    }

    // Every token of the text in general mode, line breaks allowed.
    static std::vector<std::string> Tokens(const char *text)
    {
        std::vector<std::string> tokens;
        const char *cursor = text;
        for (;;)
        {
            const char *token = Com_ParseToken(&cursor, true);
            if (cursor == nullptr)
                break;
            tokens.push_back(token);
        }
        return tokens;
    }

    // The fields of each row in CSV mode, the way the alias reader walks them.
    static std::vector<std::vector<std::string>> Rows(const char *text)
    {
        Com_GetParseSession()->csv = true;
        std::vector<std::vector<std::string>> rows;
        const char *cursor = text;
        for (;;)
        {
            std::string first = Com_ParseToken(&cursor, true);
            if (cursor == nullptr)
                break;
            std::vector<std::string> row{first};
            while (cursor != nullptr && *cursor != '\n' && *cursor != '\r' && *cursor != 0)
                row.push_back(Com_ParseToken(&cursor, false));
            rows.push_back(row);
        }
        return rows;
    }
};

using Strings = std::vector<std::string>;

TEST_F(TokenizerTest, GeneralModeSplitsAtWhitespaceAndHighBytes)
{
    EXPECT_EQ(Tokens("  alpha\tbeta\r\ngamma"), (Strings{"alpha", "beta", "gamma"}));
    EXPECT_EQ(Tokens("one\xa0two\xfftwo"), (Strings{"one", "two", "two"}));
    EXPECT_EQ(Tokens("x\x01y"), (Strings{"x", "y"}));
}

TEST_F(TokenizerTest, QuotedStringsKeepSpacesAndEscapes)
{
    EXPECT_EQ(Tokens("\"a b  c\" next"), (Strings{"a b  c", "next"}));
    EXPECT_EQ(Tokens(R"("say \"hi\"" "c:\\dir" "a\b")"),
              (Strings{"say \"hi\"", "c:\\dir", "a\\b"}));
    EXPECT_EQ(Tokens("\"two\nlines\""), (Strings{"two\nlines"}));

    const char *cursor = "\"\" after";
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "");
    ASSERT_NE(cursor, nullptr);
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "after");
}

TEST_F(TokenizerTest, UnterminatedQuoteTakesTheRest)
{
    const char *cursor = "\"open to the end\\";
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "open to the end\\");
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "");
    EXPECT_EQ(cursor, nullptr);
}

TEST_F(TokenizerTest, CommentsAreSkipped)
{
    EXPECT_EQ(Tokens("a // rest of line\nb /* block\n */ c"), (Strings{"a", "b", "c"}));
    EXPECT_EQ(Tokens("a /*/ b"), (Strings{"a", "b"}));
    EXPECT_EQ(Tokens("a /* never closed b c"), (Strings{"a"}));
    EXPECT_EQ(Tokens("a\n// last line without line feed"), (Strings{"a"}));

    const char *cursor = "// only a comment";
    Com_ParseToken(&cursor, true);
    EXPECT_EQ(cursor, nullptr);
}

TEST_F(TokenizerTest, LineBreakNotAllowedStopsWithoutMoving)
{
    const char *text = "first\n  second";
    const char *cursor = text;
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "first");
    const char *before = cursor;
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_EQ(cursor, before);
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "second");
}

TEST_F(TokenizerTest, LongTokensAreCutAndSkippedWhole)
{
    std::string plain(3000, 'p');
    std::string text = plain + " next \"" + std::string(2000, 'q') + "\" last";
    const char *cursor = text.c_str();
    EXPECT_EQ(std::string(Com_ParseToken(&cursor, true)), std::string(1023, 'p'));
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "next");
    EXPECT_EQ(std::string(Com_ParseToken(&cursor, true)), std::string(1023, 'q'));
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "last");
}

TEST_F(TokenizerTest, CsvQuotedFieldsHoldCommasQuotesAndLineBreaks)
{
    auto rows = Rows("a,\"b,c\",d\nx,\"say \"\"hi\"\"\",\"two\r\nlines\"\nlast");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (Strings{"a", "b,c", "d"}));
    EXPECT_EQ(rows[1], (Strings{"x", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(rows[2], (Strings{"last"}));
}

TEST_F(TokenizerTest, CsvTextAroundQuotedPartsBelongsToTheField)
{
    EXPECT_EQ(Rows("pre\"mid,dle\"post,z")[0], (Strings{"premid,dlepost", "z"}));
}

TEST_F(TokenizerTest, CsvEmptyAndUntrimmedFields)
{
    auto rows = Rows("x,,y\r\n name , b");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Strings{"x", "", "y"}));
    EXPECT_EQ(rows[1], (Strings{" name ", " b"}));
}

TEST_F(TokenizerTest, CsvTrailingCommaGivesAnEmptyFieldThenTheRowEnds)
{
    Com_GetParseSession()->csv = true;
    const char *cursor = "x,y,\nnext";
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "x");
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "y");
    EXPECT_STREQ(cursor, "\nnext");
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_STREQ(cursor, "\nnext");
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "next");
}

TEST_F(TokenizerTest, CsvRowEndGivesEmptyFieldsWithoutMoving)
{
    Com_GetParseSession()->csv = true;
    const char *cursor = "a\r\nb";
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "a");
    const char *atEnd = cursor;
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_EQ(cursor, atEnd);
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "b");
    EXPECT_NE(cursor, nullptr);
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_EQ(cursor, nullptr);
}

TEST_F(TokenizerTest, CsvUnterminatedQuoteUsesUpTheText)
{
    Com_GetParseSession()->csv = true;
    const char *cursor = "a,\"rest, of\nthe text";
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "a");
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "rest, of\nthe text");
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_EQ(cursor, nullptr);
}

TEST_F(TokenizerTest, CsvLongFieldIsCutAndSkippedWhole)
{
    std::string text = std::string(5000, 'f') + ",\"" + std::string(1500, 'g') + "\",tail";
    Com_GetParseSession()->csv = true;
    const char *cursor = text.c_str();
    EXPECT_EQ(std::string(Com_ParseToken(&cursor, true)), std::string(1023, 'f'));
    EXPECT_EQ(std::string(Com_ParseToken(&cursor, false)), std::string(1023, 'g'));
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "tail");
}

TEST_F(TokenizerTest, SixteenthSessionIsRefusedAndItsCloseAbsorbed)
{
    // One session is open from SetUp; open 14 more to fill the stack.
    std::vector<std::string> names;
    for (int i = 2; i <= 15; ++i)
        names.push_back("file" + std::to_string(i));
    for (const std::string &name : names)
        Com_BeginParseSession(name.c_str());
    ParseSession *top = Com_GetParseSession();
    EXPECT_STREQ(top->name, "file15");

    Capture();
    Com_BeginParseSession("one too many");
    std::string output = Output();
    std::string expected = "Already parsing:\n1. test.txt\n";
    for (int i = 2; i <= 15; ++i)
        expected += std::to_string(i) + ". file" + std::to_string(i) + "\n";
    expected += "ERROR: Com_BeginParseSession: session overflow trying to parse one too many\n";
    EXPECT_EQ(output, expected);
    EXPECT_EQ(Com_GetParseSession(), top);

    Com_EndParseSession(); // the refused one
    EXPECT_EQ(Com_GetParseSession(), top);
    for (size_t i = 0; i < names.size(); ++i)
        Com_EndParseSession();
    EXPECT_STREQ(Com_GetParseSession()->name, "test.txt");
}

TEST_F(TokenizerTest, ExtraCloseIsReportedAndIgnored)
{
    Com_EndParseSession();
    ParseSession *base = Com_GetParseSession();
    Capture();
    Com_EndParseSession();
    EXPECT_EQ(Output(), "ERROR: Com_EndParseSession: session underflow");
    EXPECT_EQ(Com_GetParseSession(), base);
    Com_BeginParseSession("test.txt"); // for TearDown
    EXPECT_NE(Com_GetParseSession(), base);
}

TEST(TokenToInt, ReadsLikeAtoiAndClamps)
{
    EXPECT_EQ(Com_TokenToInt("3abc"), 3);
    EXPECT_EQ(Com_TokenToInt("abc"), 0);
    EXPECT_EQ(Com_TokenToInt(" \t-12"), -12);
    EXPECT_EQ(Com_TokenToInt("+7"), 7);
    EXPECT_EQ(Com_TokenToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(Com_TokenToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(Com_TokenToInt("-99999999999999999999"), INT_MIN);
}
} // namespace
