// Tests of the header and row rules of alias file texts: what each text adds to the work
// lists and what it prints. Quoted fields are the tokenizer's (tokenizer_test), the values
// of a row the row rules' (alias_row_test); reading the file by its game path is run end
// to end.
#include "assets/alias_file.h"

#include "tests/support/run_fixture.h"

namespace
{
class AliasTextTest : public RunTest
{
  protected:
    // Parses the text as weapons.csv into empty lists and returns what was printed. That the
    // parse session is closed on every way out is fuzz_alias_file's.
    std::string Parse(const std::string &text)
    {
        Tool_FreeSoundList(&toolState.run.loadedList);
        Tool_FreeSoundList(&toolState.run.streamedList);
        Capture();
        Tool_ParseAliasText(0, "weapons.csv", "soundaliases/weapons.csv", text.c_str());
        return Output();
    }

    static Strings Loaded() { return Files(toolState.run.loadedList); }
    static Strings Streamed() { return Files(toolState.run.streamedList); }
};

const std::string MISSING_COLUMNS =
    "ERROR: Sound alias file weapons.csv: missing 'name' and/or 'file' columns\n";
const std::string MISSING_VALUES =
    "ERROR: Sound alias file weapons.csv: alias entry missing name and/or file\n";

TEST_F(AliasTextTest, HeaderAndRowRules)
{
    std::string filler;
    for (int i = 0; i < 254; ++i)
        filler += "x,";
    struct Case
    {
        const char *what;
        std::string text, output;
        Strings loaded = {}, streamed = {};
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"blank lines", "\n\r\n", ""},
        {"header name with a space", " name,file\na,a.wav\n", MISSING_COLUMNS},
        {"header without file", "name,files\na,a.wav\n", MISSING_COLUMNS},
        {"header of 256 fields", "name," + filler + "file\na," + filler + "a.wav\n", "",
         Strings{"a.wav"}},
        {"file as 257th field", "name," + filler + "x,file\na," + filler + "x,b.wav\n",
         MISSING_COLUMNS},
        {"header ending the text", "name,\"file\nand more", MISSING_COLUMNS},
        {"text ending in a row", "name,file\na,a.wav", "", Strings{"a.wav"}},
        {"missing and extra fields",
         "name,file,type\r\na,a.wav\r\nb,b.wav,streamed,extra,\"more\nc,c.wav\n",
         "",
         {"c.wav", "a.wav"},
         {"b.wav"}},
        {"row missing file", "name,file\na,a.wav\nb,\nc,c.wav\n", MISSING_VALUES, Strings{"a.wav"}},
        // Comment rows and rows with an empty first field are passed over, before the
        // header too; "streamed" and "primed" in any case choose the streamed list.
        {"comments, empty first fields and types",
         "# level\nname,file,type\n#,note\n,,,\n,x.wav,\na,a.wav,PRIMED\nb,b.wav,LOADED\n"
         "c,c.wav,Streamed\nd,d.wav,other\n",
         "",
         {"d.wav", "b.wav"},
         {"c.wav", "a.wav"}},
        {"row missing name", "file,name\nd.wav\ne.wav,e\n", MISSING_VALUES},
        {"duplicate column", "name,file,file\na,a.wav,b.wav\nc,c.wav,\nd,,d.wav\n",
         "ERROR: Sound alias file weapons.csv: Duplicate entries for the 'file' column\n",
         Strings{"d.wav", "c.wav"}},
        {"quiet without verbose", "name,file,platform\na,a.wav,!pc\nb,b.wav,\n", "",
         Strings{"b.wav"}},
        {"platform before the name", "platform,name,file\npc !pc,b,b.wav\n",
         "ERROR: file weapons.csv alias  has a platform both excluded and included\n"},
    };
    for (const Case &c : cases)
    {
        EXPECT_EQ(Parse(c.text), c.output) << c.what;
        EXPECT_EQ(Loaded(), c.loaded) << c.what;
        EXPECT_EQ(Streamed(), c.streamed) << c.what;
    }
    // The duplicate column is the only one recorded as an error.
    ASSERT_EQ(toolState.run.errors.size(), 1u);
    EXPECT_STREQ(toolState.run.errors[0].text, "weapons.csv: file");
    EXPECT_EQ(toolState.run.errors[0].toolError, 6u);
}

TEST_F(AliasTextTest, ColumnsMayComeInAnyOrderAndCaseWithCarriageReturns)
{
    Parse("Subtitle,TYPE,File,NAME,COMPRESSION,loop\r\nhello,streamed,a.wav,alias_a,0,looping\r\n");
    ASSERT_EQ(Streamed(), (Strings{"a.wav"}));
    const SoundFileEntry *entry = toolState.run.streamedList.head;
    EXPECT_STREQ(entry->name, "alias_a");
    EXPECT_STREQ(entry->compression, "0");
    EXPECT_STREQ(entry->aliasFile, "weapons.csv");
    EXPECT_TRUE(entry->looping);
}

TEST_F(AliasTextTest, VerboseExplainsEverySkippedAndAddedRow)
{
    toolState.options.verbose = true;
    std::string output = Parse("name,file,platform,compression\na,a.aif,!pc,\nb,b.wav,pc "
                               "!pc,\nc,c.wav,\" \",\nd,d.wav,,5\ne-x,e.wav,,\nf,f.wav,PC,0\n");
    EXPECT_EQ(
        output,
        "skipping alias a a.wav (platform)\nERROR: file weapons.csv alias b has a platform both "
        "excluded and included\nskipping alias b b.wav (platform)\nskipping alias c c.wav "
        "(platform)\nskipping alias d d.wav (no compression)\nERROR: Sound alias file weapons.csv: "
        "Alias name 'e-x' is invalid\nskipping alias  e.wav (error)\nadding alias f f.wav\n");
    EXPECT_EQ(Loaded(), (Strings{"f.wav"}));
}

} // namespace
