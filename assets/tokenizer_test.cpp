// Tests of the general and CSV tokenizer modes and the parse session stack.
#include "assets/tokenizer.h"

#include "tests/support/run_fixture.h"

#include <climits>

namespace
{
class TokenizerTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        Com_BeginParseSession("test.txt");
    }
    void TearDown() override
    {
        Com_EndParseSession();
        RunTest::TearDown();
    }

    // Every token of the text in general mode, line breaks allowed.
    static Strings Tokens(const std::string &text)
    {
        Strings tokens;
        const char *cursor = text.c_str();
        for (const char *token = Com_ParseToken(&cursor, true); cursor != nullptr;
             token = Com_ParseToken(&cursor, true))
            tokens.push_back(token);
        return tokens;
    }

    // The fields of each row in CSV mode, the way the alias reader walks them.
    static std::vector<Strings> Rows(const std::string &text)
    {
        Com_GetParseSession()->csv = true;
        std::vector<Strings> rows;
        const char *cursor = text.c_str();
        for (std::string first = Com_ParseToken(&cursor, true); cursor != nullptr;
             first = Com_ParseToken(&cursor, true))
        {
            rows.push_back({first});
            while (cursor != nullptr && *cursor != '\n' && *cursor != '\r' && *cursor != 0)
                rows.back().push_back(Com_ParseToken(&cursor, false));
        }
        return rows;
    }
};

TEST_F(TokenizerTest, GeneralModeTokensAndCsvRows)
{
    const std::pair<std::string, Strings> cases[] = {
        {"  alpha\tbeta\r\ngamma", {"alpha", "beta", "gamma"}},
        // Bytes above 127 and control characters separate tokens like spaces.
        {"one\xa0two\xfftwo x\x01y", {"one", "two", "two", "x", "y"}},
        {"\"a b  c\" next \"\" \"two\nlines\"", {"a b  c", "next", "", "two\nlines"}},
        {R"("say \"hi\"" "c:\\dir" "a\b")", {"say \"hi\"", "c:\\dir", "a\\b"}},
        {"\"open to the end\\", {"open to the end\\"}},
        {"a // rest of line\nb /* block\n */ c", {"a", "b", "c"}},
        {"a /*/ b", {"a", "b"}},
        {"a /* never closed b c", {"a"}},
        {"a\n// last line without line feed", {"a"}},
        {"// only a comment", {}},
        // Long tokens are cut and skipped whole.
        {std::string(3000, 'p') + " next \"" + std::string(2000, 'q') + "\" last",
         {std::string(1023, 'p'), "next", std::string(1023, 'q'), "last"}},
    };
    for (const auto &[text, tokens] : cases)
        EXPECT_EQ(Tokens(text), tokens) << text.substr(0, 40);

    // Where line breaks are not allowed, the parse stops at one without moving.
    const char *cursor = "first\n  second";
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "first");
    const char *before = cursor;
    EXPECT_STREQ(Com_ParseToken(&cursor, false), "");
    EXPECT_EQ(cursor, before);
    EXPECT_STREQ(Com_ParseToken(&cursor, true), "second");

    // CSV rows.
    const std::pair<std::string, std::vector<Strings>> csvCases[] = {
        {"a,\"b,c\",d\nx,\"say \"\"hi\"\"\",\"two\r\nlines\"\nlast",
         {{"a", "b,c", "d"}, {"x", "say \"hi\"", "two\r\nlines"}, {"last"}}},
        {"pre\"mid,dle\"post,z", {{"premid,dlepost", "z"}}},
        {"x,,y\r\n name , b", {{"x", "", "y"}, {" name ", " b"}}},
        // A trailing comma does not carry the parse past the row end.
        {"x,y,\r\nnext", {{"x", "y"}, {"next"}}},
        {"a,\"rest, of\nthe text", {{"a", "rest, of\nthe text"}}},
        {std::string(5000, 'f') + ",\"" + std::string(1500, 'g') + "\",tail",
         {{std::string(1023, 'f'), std::string(1023, 'g'), "tail"}}},
    };
    for (const auto &[text, rows] : csvCases)
        EXPECT_EQ(Rows(text), rows) << text.substr(0, 40);
}

TEST_F(TokenizerTest, SixteenthSessionIsRefusedAndAnExtraCloseIgnored)
{
    // One session is open from SetUp; open 14 more to fill the stack.
    std::vector<std::string> names;
    std::string expected = "Already parsing:\n1. test.txt\n";
    for (int i = 2; i <= 15; ++i)
    {
        names.push_back("file" + std::to_string(i));
        expected += std::to_string(i) + ". " + names.back() + "\n";
    }
    for (const std::string &name : names)
        Com_BeginParseSession(name.c_str());
    ParseSession *top = Com_GetParseSession();
    EXPECT_STREQ(top->name, "file15");
    Capture();
    Com_BeginParseSession("one too many");
    EXPECT_EQ(Output(), expected + "ERROR: Com_BeginParseSession: session overflow trying to "
                                   "parse one too many\n");
    EXPECT_EQ(Com_GetParseSession(), top);
    Com_EndParseSession(); // the refused one
    EXPECT_EQ(Com_GetParseSession(), top);
    for (size_t i = 0; i <= names.size(); ++i)
        Com_EndParseSession();

    ParseSession *base = Com_GetParseSession();
    Capture();
    Com_EndParseSession();
    EXPECT_EQ(Output(), "ERROR: Com_EndParseSession: session underflow");
    EXPECT_EQ(Com_GetParseSession(), base);
    Com_BeginParseSession("test.txt"); // for TearDown
    EXPECT_NE(Com_GetParseSession(), base);
}

// Digits followed by letters, and letters alone: the compression table's example.
TEST(TokenToInt, ReadsLikeAtoiAndClamps)
{
    const std::pair<const char *, int> cases[] = {{" \t-12", -12},
                                                  {"+7", 7},
                                                  {"-2147483648", INT_MIN},
                                                  {"99999999999999999999", INT_MAX},
                                                  {"-99999999999999999999", INT_MIN}};
    for (const auto &[text, value] : cases)
        EXPECT_EQ(Com_TokenToInt(text), value) << text;
}
} // namespace
