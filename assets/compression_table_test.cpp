// Tests of the whole-file reader and the compression table loader: the table it builds and
// each of its parse failures.
#include "assets/compression_table.h"

#include "assets/text_file.h"
#include "platform/files.h"
#include "tests/support/run_fixture.h"

#include <cstdlib>

namespace
{
class CompressionTableTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        toolState.run.platform = &testPlatform;
        tablePath = std::string(toolState.folders.sourceRoot) + "/table.ctb";
    }

    // Loads a table file with the given text (none when null) and returns what was printed.
    std::string Load(const char *text)
    {
        if (text != nullptr)
            WriteFile(tablePath, text);
        else
            Plat_RemoveFile(tablePath.c_str());
        Capture();
        Tool_LoadCompressionTable();
        return Output();
    }

    // The names and settings of the loaded table.
    std::vector<std::pair<std::string, int>> Entries() const
    {
        std::vector<std::pair<std::string, int>> entries;
        for (int i = 0; i < table.count; ++i)
            entries.emplace_back(table.entries[i].name, table.entries[i].setting);
        return entries;
    }

    const CompressionTable &table = toolState.run.compressionTable;
    std::string tablePath;
};

TEST_F(CompressionTableTest, LoadTextFileReadsWholeFilesTerminated)
{
    WriteFile(tablePath, std::string("ab\0cd", 5));
    char *text = nullptr;
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 5);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, 6), std::string("ab\0cd\0", 6));
    free(text);

    // Missing and empty files are covered through the table loader below.
    Plat_RemoveFile(tablePath.c_str());
    MakeDirs(tablePath);
    Capture();
    EXPECT_EQ(Tool_LoadTextFile(tablePath.c_str(), &text), 0);
    std::string output = Output();
    EXPECT_TRUE(output == "ERROR: " + tablePath + " : error reading file.\n" ||
                output == "ERROR: " + tablePath + " : file not found.\n")
        << output;
}

TEST_F(CompressionTableTest, ExampleTableAndFilesThatLeaveIt)
{
    EXPECT_EQ(
        Load("XUCOMPRESSIONTBL\nDEFAULTSETTING 5\nlow 2\nmedium 5\n\"very high\" 9 // best\n"), "");
    EXPECT_EQ(Entries(), (std::vector<std::pair<std::string, int>>{
                             {"", 5}, {"low", 2}, {"medium", 5}, {"very high", 9}}));
    // Settings read like atoi; the magic may run into the identifier.
    EXPECT_EQ(Load("XUCOMPRESSIONTBLDEFAULTSETTING 3abc a abc"), "");
    EXPECT_EQ(Entries(), (std::vector<std::pair<std::string, int>>{{"", 3}, {"a", 0}}));

    // Missing, empty and foreign files leave the table.
    Load("XUCOMPRESSIONTBL DEFAULTSETTING 4");
    const std::string notLoaded =
        "ERROR: Could not load compressionTable file '" + tablePath + "'\n";
    const std::string foreign =
        "ERROR: \"" + tablePath + "\" does not appear to be a compressionTable file\n";
    EXPECT_EQ(Load(nullptr), "ERROR: " + tablePath + " : file not found.\n" + notLoaded);
    EXPECT_EQ(Load(""), notLoaded);
    EXPECT_EQ(Load("XUCOMPRESSION"), foreign);
    EXPECT_EQ(Load("xucompressiontbl DEFAULTSETTING 1"), foreign);
    EXPECT_EQ(Entries(), (std::vector<std::pair<std::string, int>>{{"", 4}}));
}

TEST_F(CompressionTableTest, ParseFailuresKeepTheEntriesBeforeThem)
{
    const std::string failure = "ERROR: compressionTable parse failure on file \"table.ctb\": ";
    const std::string range = "ERROR: compressiontable parse failure on file \"table.ctb\": ";
    std::string full = "XUCOMPRESSIONTBL DEFAULTSETTING 1";
    for (int i = 1; i <= 256; ++i)
        full += " t" + std::to_string(i) + " 1";
    struct Case
    {
        std::string text, output;
        int count;
    };
    const Case cases[] = {
        {"XUCOMPRESSIONTBL", failure + "missing default setting identifier (DEFAULTSETTING).\n", 0},
        {"XUCOMPRESSIONTBL\ndefaultsetting 1",
         failure + "missing default setting identifier (DEFAULTSETTING).\n", 0},
        {"XUCOMPRESSIONTBL DEFAULTSETTING",
         failure + "default setting identifier parsed (), but no matching entry setting found.\n",
         0},
        {"XUCOMPRESSIONTBL DEFAULTSETTING }",
         failure + "default setting identifier parsed (), but no matching entry setting found.\n",
         0},
        {"XUCOMPRESSIONTBL DEFAULTSETTING 12",
         range + "compressionSetting '12' is not in the range 0-9.\n", 0},
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 ok 2 bad -1 never 3",
         range + "compressionSetting '-1' is not in the range 0-9.\n", 2},
        // A closing brace in place of a name ends the table; in place of a setting it fails.
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 a 2 } b 3", "", 2},
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 a 2 b }",
         failure + "entry name parsed (b), but no matching entry setting found.\n", 2},
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 Low 2 mid 3 low 4",
         failure + "compression string 'low' used by entry #3 was already used by entry #1\n", 3},
        // An empty quoted name is an empty token: the end of the table, not a second default.
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 \"\" 2", "", 1},
        // A name too long for its field is refused, not cut.
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 " + std::string(63, 'k') + " 2 " +
             std::string(64, 'n') + " 3",
         failure + "compression string '" + std::string(64, 'n') +
             "' used by entry #2 is longer than 63 characters\n",
         2},
        {"XUCOMPRESSIONTBL DEFAULTSETTING 1 " + std::string(4 << 20, 'n') + " 2",
         failure + "compression string '" + std::string(1023, 'n') +
             "' used by entry #1 is longer than 63 characters\n",
         1},
        {full, failure + "entries parsed (256) is greater than or equal to maxEntries (256)\n",
         256},
    };
    for (const Case &c : cases)
    {
        EXPECT_EQ(Load(c.text.c_str()), c.output) << c.text.substr(0, 60);
        EXPECT_EQ(table.count, c.count) << c.text.substr(0, 60);
    }
}

} // namespace
