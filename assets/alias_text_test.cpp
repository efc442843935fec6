// Tests of the header and row rules of alias file texts.
#include "assets/alias_file.h"

#include "assets/asset_test_fixture.h"

namespace
{
class AliasTextTest : public AssetTest
{
  protected:
    // Parses the text as weapons.csv and returns what was printed.
    std::string Parse(const std::string &text)
    {
        ParseSession *base = Com_GetParseSession();
        Capture();
        Tool_ParseAliasText(0, "weapons.csv", "soundaliases/weapons.csv", text.c_str());
        EXPECT_EQ(Com_GetParseSession(), base) << "the parse session was left open";
        return Output();
    }

    static std::vector<std::string> Loaded() { return Files(toolState.loadedList); }
    static std::vector<std::string> Streamed() { return Files(toolState.streamedList); }
};

using Strings = std::vector<std::string>;

TEST_F(AliasTextTest, EmptyTextGivesNothing)
{
    EXPECT_EQ(Parse(""), "");
    EXPECT_EQ(Parse("\n\r\n"), "");
    EXPECT_EQ(toolState.loadedList.count, 0);
}

TEST_F(AliasTextTest, HeaderComesAfterCommentsAndBlankLines)
{
    EXPECT_EQ(Parse("# made by hand\n\n,,\n#name,file\nname,file\n# between\nshot,shot.wav\n"), "");
    EXPECT_EQ(Loaded(), (Strings{"shot.wav"}));
}

TEST_F(AliasTextTest, HeaderIgnoresCaseOrderAndUnknownColumns)
{
    Parse("Subtitle,TYPE,File,NAME,COMPRESSION\nhello,streamed,a.wav,alias_a,0\n");
    ASSERT_EQ(Streamed(), (Strings{"a.wav"}));
    const SoundFileEntry *entry = toolState.streamedList.head;
    EXPECT_STREQ(entry->name, "alias_a");
    EXPECT_STREQ(entry->compression, "0");
    EXPECT_STREQ(entry->aliasFile, "weapons.csv");
}

TEST_F(AliasTextTest, HeaderWithoutNameOrFileGivesNoEntries)
{
    std::string missing =
        "ERROR: Sound alias file weapons.csv: missing 'name' and/or 'file' columns\n";
    EXPECT_EQ(Parse(" name,file\na,a.wav\n"), missing);
    EXPECT_EQ(Parse("name,files\na,a.wav\n"), missing);
    EXPECT_EQ(toolState.loadedList.count, 0);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasTextTest, HeaderReadsAtMost256Fields)
{
    std::string filler;
    for (int i = 0; i < 254; ++i)
        filler += "x,";
    EXPECT_EQ(Parse("name," + filler + "file\na," + filler + "a.wav\n"), "");
    EXPECT_EQ(Loaded(), (Strings{"a.wav"}));
    EXPECT_EQ(Parse("name," + filler + "x,file\na," + filler + "x,b.wav\n"),
              "ERROR: Sound alias file weapons.csv: missing 'name' and/or 'file' columns\n");
    EXPECT_EQ(Loaded(), (Strings{"a.wav"}));
}

TEST_F(AliasTextTest, QuotedFieldsHoldCommasAndLineBreaks)
{
    Parse("name,comment,file\none,\"says \"\"hi\"\",\nthen more\",\"dir/a, "
          "b.wav\"\ntwo,,\"c\r\n.wav\"\n");
    EXPECT_EQ(Loaded(), (Strings{"c\r\n.wav", "dir/a, b.wav"}));
}

TEST_F(AliasTextTest, MissingFieldsAreEmptyAndExtraFieldsIgnored)
{
    Parse("name,file,type\na,a.wav\nb,b.wav,streamed,extra,\"more\nc,c.wav\n");
    EXPECT_EQ(Streamed(), (Strings{"b.wav"}));
    // The rest of a row is skipped by line, so a quoted extra field that holds a line
    // feed ends the row at it.
    EXPECT_EQ(Loaded(), (Strings{"c.wav", "a.wav"}));
}

TEST_F(AliasTextTest, RowWithEmptyFirstFieldIsSkippedSilently)
{
    EXPECT_EQ(Parse("subtitle,name,file\n,a,a.wav\nx,b,b.wav\n"), "");
    EXPECT_EQ(Loaded(), (Strings{"b.wav"}));
}

TEST_F(AliasTextTest, RowMissingNameOrFileEndsTheFile)
{
    EXPECT_EQ(Parse("name,file\na,a.wav\nb,\nc,c.wav\n"),
              "ERROR: Sound alias file weapons.csv: alias entry missing name and/or file\n");
    EXPECT_EQ(Loaded(), (Strings{"a.wav"}));

    EXPECT_EQ(Parse("file,name\nd.wav\ne.wav,e\n"),
              "ERROR: Sound alias file weapons.csv: alias entry missing name and/or file\n");
    EXPECT_EQ(Loaded(), (Strings{"a.wav"}));
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasTextTest, DuplicateColumnRejectsOnlyRowsThatFillBoth)
{
    EXPECT_EQ(Parse("name,file,file\na,a.wav,b.wav\nc,c.wav,\nd,,d.wav\n"),
              "ERROR: Sound alias file weapons.csv: Duplicate entries for the 'file' column\n");
    EXPECT_EQ(Loaded(), (Strings{"d.wav", "c.wav"}));
    ASSERT_EQ(toolState.errors.size(), 1u);
    EXPECT_EQ(toolState.errors[0].toolError, 6u);
}

TEST_F(AliasTextTest, VerboseExplainsEverySkippedAndAddedRow)
{
    toolState.verbose = true;
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

TEST_F(AliasTextTest, QuietWithoutVerbose)
{
    EXPECT_EQ(Parse("name,file,platform\na,a.wav,!pc\nb,b.wav,\n"), "");
    EXPECT_EQ(Loaded(), (Strings{"b.wav"}));
}

TEST_F(AliasTextTest, PlatformErrorNamesTheAliasOnlyWhenItCameFirst)
{
    EXPECT_EQ(Parse("platform,name,file\npc !pc,b,b.wav\n"),
              "ERROR: file weapons.csv alias  has a platform both excluded and included\n");
}

TEST_F(AliasTextTest, TypesChooseTheList)
{
    Parse("name,file,type\na,a.wav,Streamed\nb,b.wav,PRIMED\nc,c.wav,loaded\nd,d.wav,\ne,e.wav,"
          "stream\n");
    EXPECT_EQ(Streamed(), (Strings{"b.wav", "a.wav"}));
    EXPECT_EQ(Loaded(), (Strings{"e.wav", "d.wav", "c.wav"}));
}

TEST_F(AliasTextTest, CarriageReturnsOutsideQuotesAreIgnored)
{
    Parse("name,file,loop\r\na,a.wav,looping\r\nb,b.wav,\r\n");
    EXPECT_EQ(Loaded(), (Strings{"b.wav", "a.wav"}));
    EXPECT_TRUE(toolState.loadedList.head->next->looping);
}

TEST_F(AliasTextTest, NumberedAliasAddsItsVariants)
{
    WriteFile(Source("raw/sound/weapons/shot/shot02.wav"), "RIFF");
    WriteFile(Source("raw/sound/weapons/shot/shot01.wav"), "RIFF");
    toolState.verbose = true;
    EXPECT_EQ(Parse("name,file\nshot,weapons\\shot_##.aif\n"),
              "adding alias shot weapons/shot/shot02.wav\n");
    EXPECT_EQ(Loaded(), (Strings{"weapons/shot/shot02.wav", "weapons/shot/shot01.wav"}));
}

TEST_F(AliasTextTest, HostileTextIsReportedRowByRow)
{
    std::string huge(5000, 'n');
    std::string text = "name,file,compression\n" + huge + ",a.wav\n" + "b,\"" + huge + "\"\n" +
                       "c\x01\xff"
                       ",c.wav\n" +
                       "d,d.wav,\xff\n" + "e,e.wav,\"0";
    std::string output = Parse(text);
    std::string cut(1023, 'n');
    EXPECT_NE(output.find("Alias name '" + cut + "' is longer than 63 characters"),
              std::string::npos);
    EXPECT_NE(output.find("Sound file '" + cut + "' is longer than 63 characters"),
              std::string::npos);
    EXPECT_NE(output.find("Alias name 'c\x01\xff' is invalid"), std::string::npos);
    EXPECT_NE(output.find("compression '\xff' has invalid character '\xff' ascii 255"),
              std::string::npos);
    EXPECT_EQ(Loaded(), (Strings{"e.wav"}));
    EXPECT_EQ(toolState.errors.size(), 4u);
}

TEST_F(AliasTextTest, TextEndingInsideAHeaderOrRow)
{
    EXPECT_EQ(Parse("name,file"), "");
    EXPECT_EQ(Parse("name,file\na,a.wav"), "");
    EXPECT_EQ(Parse("name,\"file\nand more"),
              "ERROR: Sound alias file weapons.csv: missing 'name' and/or 'file' columns\n");
    EXPECT_EQ(Loaded(), (Strings{"a.wav"}));
}
} // namespace
