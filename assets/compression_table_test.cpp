// Tests of the whole-file reader and the compression table loader.
#include "assets/compression_table.h"

#include "assets/asset_test_fixture.h"
#include "assets/text_file.h"
#include "platform/files.h"

#include <cstdlib>

namespace
{
class CompressionTableTest : public AssetTest
{
  protected:
    void SetUp() override
    {
        AssetTest::SetUp();
        toolState.platform = &testPlatform;
        tablePath = std::string(toolState.sourceRoot) + "/table.ctb";
    }

    // Loads a table file with the given text and returns what was printed.
    std::string Load(const std::string &text)
    {
        WriteFile(tablePath, text);
        Capture();
        Tool_LoadCompressionTable();
        return Output();
    }

    std::string Failure(const std::string &detail) const
    {
        return "ERROR: compressionTable parse failure on file \"table.ctb\": " + detail;
    }

    const CompressionTable &table = toolState.compressionTable;
    std::string tablePath;
};

TEST_F(CompressionTableTest, LoadTextFileReadsWholeFileWithTerminator)
{
    WriteFile(tablePath, std::string("ab\0cd", 5));
    char *text = nullptr;
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, 6), std::string("ab\0cd\0", 6));
    free(text);
}

TEST_F(CompressionTableTest, LoadTextFileReportsMissingFileAndIsQuietOnEmptyFile)
{
    char *text = reinterpret_cast<char *>(1);
    Capture();
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 0);
    EXPECT_EQ(Output(), "ERROR: " + tablePath + " : file not found.\n");
    EXPECT_EQ(text, nullptr);

    WriteFile(tablePath, "");
    Capture();
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 0);
    EXPECT_EQ(Output(), "");
    EXPECT_EQ(text, nullptr);
}

TEST_F(CompressionTableTest, LoadTextFileOnAFolderIsAnError)
{
    MakeDirs(tablePath);
    char *text = nullptr;
    Capture();
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 0);
    std::string output = Output();
    EXPECT_TRUE(output == "ERROR: " + tablePath + " : error reading file.\n" ||
                output == "ERROR: " + tablePath + " : file not found.\n")
        << output;
    EXPECT_EQ(text, nullptr);
}

TEST_F(CompressionTableTest, ExampleTable)
{
    EXPECT_EQ(
        Load("XUCOMPRESSIONTBL\nDEFAULTSETTING 5\nlow 2\nmedium 5\n\"very high\" 9 // best\n"), "");
    ASSERT_EQ(table.count, 4);
    EXPECT_STREQ(table.entries[0].name, "");
    EXPECT_EQ(table.entries[0].setting, 5);
    EXPECT_STREQ(table.entries[1].name, "low");
    EXPECT_EQ(table.entries[1].setting, 2);
    EXPECT_STREQ(table.entries[3].name, "very high");
    EXPECT_EQ(table.entries[3].setting, 9);
}

TEST_F(CompressionTableTest, MagicDirectlyFollowedByIdentifier)
{
    EXPECT_EQ(Load("XUCOMPRESSIONTBLDEFAULTSETTING 1"), "");
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.entries[0].setting, 1);
}

TEST_F(CompressionTableTest, SettingsReadLikeAtoi)
{
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 3abc a abc"), "");
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(table.entries[0].setting, 3);
    EXPECT_EQ(table.entries[1].setting, 0);
}

TEST_F(CompressionTableTest, MissingOrWrongIdentifier)
{
    std::string expected = Failure("missing default setting identifier (DEFAULTSETTING).\n");
    EXPECT_EQ(Load("XUCOMPRESSIONTBL"), expected);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(Load("XUCOMPRESSIONTBL\ndefaultsetting 1"), expected);
    EXPECT_EQ(table.count, 0);
}

TEST_F(CompressionTableTest, MissingDefaultSetting)
{
    std::string expected =
        Failure("default setting identifier parsed (), but no matching entry setting found.\n");
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING"), expected);
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING }"), expected);
    EXPECT_EQ(table.count, 0);
}

TEST_F(CompressionTableTest, SettingsOutsideTheRange)
{
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 12"),
              "ERROR: compressiontable parse failure on file \"table.ctb\": compressionSetting "
              "'12' is not in the range 0-9.\n");
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 ok 2 bad -1 never 3"),
              "ERROR: compressiontable parse failure on file \"table.ctb\": compressionSetting "
              "'-1' is not in the range 0-9.\n");
    EXPECT_EQ(table.count, 2);
}

TEST_F(CompressionTableTest, ClosingBraceEndsTheTableInPlaceOfAName)
{
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 a 2 } b 3"), "");
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 a 2 b }"),
              Failure("entry name parsed (b), but no matching entry setting found.\n"));
    EXPECT_EQ(table.count, 2);
}

TEST_F(CompressionTableTest, NamesMustDifferIgnoringCase)
{
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 Low 2 mid 3 low 4"),
              Failure("compression string 'low' used by entry #3 was already used by entry #1\n"));
    EXPECT_EQ(table.count, 3);
    // An empty quoted name is an empty token: the end of the table, not a second default.
    EXPECT_EQ(Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 \"\" 2"), "");
    EXPECT_EQ(table.count, 1);
}

TEST_F(CompressionTableTest, AtMost256Entries)
{
    std::string text = "XUCOMPRESSIONTBL DEFAULTSETTING 0\n";
    for (int i = 1; i < 256; ++i)
        text += "n" + std::to_string(i) + " " + std::to_string(i % 10) + "\n";
    EXPECT_EQ(Load(text), "");
    EXPECT_EQ(table.count, 256);
    EXPECT_EQ(Load(text + "extra 1\n"),
              Failure("entries parsed (256) is greater than or equal to maxEntries (256)\n"));
    EXPECT_EQ(table.count, 256);
}

TEST_F(CompressionTableTest, NameTooLongForItsFieldIsRefused)
{
    std::string name(64, 'n');
    EXPECT_EQ(
        Load("XUCOMPRESSIONTBL DEFAULTSETTING 1 " + std::string(63, 'k') + " 2 " + name + " 3 z 4"),
        Failure("compression string '" + name +
                "' used by entry #2 is longer than 63 characters\n"));
    ASSERT_EQ(table.count, 2);
    EXPECT_EQ(std::string(table.entries[1].name), std::string(63, 'k'));
    EXPECT_STREQ(table.entries[2].name, "");
}

TEST_F(CompressionTableTest, MissingEmptyAndForeignFilesLeaveTheTable)
{
    Load("XUCOMPRESSIONTBL DEFAULTSETTING 4");
    ASSERT_EQ(table.count, 1);

    Plat_RemoveFile(tablePath.c_str());
    Capture();
    Tool_LoadCompressionTable();
    EXPECT_EQ(Output(), "ERROR: " + tablePath +
                            " : file not found.\nERROR: Could not load compressionTable file '" +
                            tablePath + "'\n");

    EXPECT_EQ(Load(""), "ERROR: Could not load compressionTable file '" + tablePath + "'\n");
    std::string foreign =
        "ERROR: \"" + tablePath + "\" does not appear to be a compressionTable file\n";
    EXPECT_EQ(Load("XUCOMPRESSION"), foreign);
    EXPECT_EQ(Load("xucompressiontbl DEFAULTSETTING 1"), foreign);
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.entries[0].setting, 4);
}

TEST_F(CompressionTableTest, HostileBytesDoNotBreakTheLoader)
{
    std::string text = "XUCOMPRESSIONTBL DEFAULTSETTING 1 \"" + std::string(5000, 'x') + "\" 2";
    Load(text);
    EXPECT_EQ(table.count, 1);
    Load(std::string("XUCOMPRESSIONTBL DEFAULTSETTING 1 \x01\xff\x80 a\xfe 2 /* open"));
    EXPECT_EQ(table.count, 2);
    EXPECT_STREQ(table.entries[1].name, "a");
}
} // namespace
