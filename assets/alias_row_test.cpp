// Tests of the value rules of one alias row.
#include "assets/alias_row.h"

#include "assets/asset_test_fixture.h"

#include <iterator>

namespace
{
class AliasRowTest : public AssetTest
{
  protected:
    void SetUp() override
    {
        AssetTest::SetUp();
        Tool_InitAliasRow(&row, "weapons.csv", seen);
    }

    // Parses one value into the row and returns what was printed.
    std::string Field(int column, const std::string &value)
    {
        Capture();
        Tool_ParseAliasField(&row, 0, "weapons.csv", value.c_str(), column, seen);
        return Output();
    }

    bool Matches(const char *value, const char *word = "PC")
    {
        return Tool_PlatformMatches(value, word, "weapons.csv", "shot");
    }

    SoundFileEntry row;
    bool seen[ALIAS_COLUMN_COUNT];
};

TEST_F(AliasRowTest, FreshRowDefaults)
{
    EXPECT_STREQ(row.aliasFile, "weapons.csv");
    EXPECT_TRUE(row.platformOk);
    EXPECT_FALSE(row.streamed || row.rejected || row.looping || row.mp3 || row.spatialized);
    EXPECT_EQ(row.next, nullptr);

    std::string longName(100, 'a');
    Tool_InitAliasRow(&row, longName.c_str(), seen);
    EXPECT_EQ(std::string(row.aliasFile), std::string(63, 'a'));
}

TEST_F(AliasRowTest, ColumnNamesIgnoreCaseButNotSpaces)
{
    EXPECT_EQ(Tool_AliasColumnNumber("NAME"), ALIAS_COLUMN_NAME);
    EXPECT_EQ(Tool_AliasColumnNumber("File"), ALIAS_COLUMN_FILE);
    EXPECT_EQ(Tool_AliasColumnNumber("SpatiaLized"), ALIAS_COLUMN_SPATIALIZED);
    EXPECT_EQ(Tool_AliasColumnNumber(" name"), ALIAS_COLUMN_UNKNOWN);
    EXPECT_EQ(Tool_AliasColumnNumber(""), ALIAS_COLUMN_UNKNOWN);
    EXPECT_EQ(Tool_AliasColumnNumber("subtitle"), ALIAS_COLUMN_UNKNOWN);
}

TEST_F(AliasRowTest, AliasNameOf62IsAcceptedAnd63Refused)
{
    std::string name62(62, 'n');
    EXPECT_EQ(Field(ALIAS_COLUMN_NAME, name62), "");
    EXPECT_EQ(row.name, name62);
    EXPECT_FALSE(row.rejected);

    Tool_InitAliasRow(&row, "weapons.csv", seen);
    std::string name63(63, 'n');
    EXPECT_EQ(Field(ALIAS_COLUMN_NAME, name63),
              "ERROR: Sound alias file weapons.csv: Alias name '" + name63 +
                  "' is longer than 63 characters\n");
    EXPECT_TRUE(row.rejected);
    EXPECT_TRUE(seen[ALIAS_COLUMN_NAME]);
    ASSERT_EQ(toolState.errors.size(), 1u);
    EXPECT_EQ(toolState.errors[0].text, "weapons.csv: " + name63);
    EXPECT_EQ(toolState.errors[0].toolError, 2u);
}

TEST_F(AliasRowTest, AliasNamesOfLettersDigitsAndUnderscoreOnly)
{
    EXPECT_TRUE(Tool_IsValidAliasName("Shot_01"));
    EXPECT_FALSE(Tool_IsValidAliasName("shot 01"));
    EXPECT_FALSE(Tool_IsValidAliasName("shot-01"));
    EXPECT_FALSE(Tool_IsValidAliasName("shot.01"));
    EXPECT_FALSE(Tool_IsValidAliasName("sh\xe9t"));

    EXPECT_EQ(Field(ALIAS_COLUMN_NAME, "bad-name"),
              "ERROR: Sound alias file weapons.csv: Alias name 'bad-name' is invalid\n");
    EXPECT_TRUE(row.rejected);
    EXPECT_STREQ(row.name, "");
    ASSERT_EQ(toolState.errors.size(), 1u);
    EXPECT_STREQ(toolState.errors[0].text, "weapons.csv: bad-name");
    EXPECT_EQ(toolState.errors[0].toolError, 7u);
}

TEST_F(AliasRowTest, SoundFilesAreNormalisedToWav)
{
    Field(ALIAS_COLUMN_FILE, "\\Weapons\\Shot.aif");
    EXPECT_STREQ(row.file, "Weapons/Shot.wav");
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_FILE, "/ui/click");
    EXPECT_STREQ(row.file, "ui/click.wav");
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_FILE, "dir.v2/name");
    EXPECT_STREQ(row.file, "dir.v2/name.wav");
    // Only the last extension is replaced.
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_FILE, "door.pc.wav");
    EXPECT_STREQ(row.file, "door.pc.wav");
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_FILE, "a.b.c");
    EXPECT_STREQ(row.file, "a.b.wav");
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasRowTest, SoundFileLengthLimits)
{
    std::string fits = std::string(55, 'f') + ".wav"; // 59 characters, ".wav" kept
    EXPECT_EQ(Field(ALIAS_COLUMN_FILE, fits), "");
    EXPECT_EQ(row.file, fits);

    std::string tooLong(63, 'f');
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    EXPECT_EQ(Field(ALIAS_COLUMN_FILE, tooLong),
              "ERROR: Sound alias file weapons.csv: Sound file '" + tooLong +
                  "' is longer than 63 characters\n");
    EXPECT_TRUE(row.rejected);

    // 62 characters fit as written, but not once ".wav" is appended.
    std::string noExtension(62, 'g');
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    EXPECT_EQ(Field(ALIAS_COLUMN_FILE, noExtension),
              "ERROR: Sound alias file weapons.csv: Sound file '" + noExtension +
                  "' is longer than 63 characters\n");
    EXPECT_TRUE(row.rejected);
    EXPECT_STREQ(row.file, "");

    std::string justFits = std::string(59, 'h');
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    EXPECT_EQ(Field(ALIAS_COLUMN_FILE, justFits), "");
    EXPECT_EQ(row.file, justFits + ".wav");
    EXPECT_EQ(toolState.errors.size(), 2u);
}

TEST_F(AliasRowTest, SoundFilesLeavingTheSoundFolderAreRefused)
{
    const char *refused[] = {"../x.wav",    "a\\..\\..\\b", "weapons/..",   "a/.../b.wav",
                             "a/.. /b.wav", "C:x.wav",      "shot.wav:ads", "/..\\x"};
    for (const char *value : refused)
    {
        Tool_InitAliasRow(&row, "weapons.csv", seen);
        EXPECT_EQ(Field(ALIAS_COLUMN_FILE, value),
                  "ERROR: Sound alias file weapons.csv: Sound file '" + std::string(value) +
                      "' leaves the sound folder\n");
        EXPECT_TRUE(row.rejected) << value;
        EXPECT_STREQ(row.file, "") << value;
        ASSERT_FALSE(toolState.errors.empty());
        EXPECT_EQ(toolState.errors.back().text, "weapons.csv: " + std::string(value));
        EXPECT_EQ(toolState.errors.back().toolError, 8u);
    }
    EXPECT_EQ(toolState.errors.size(), std::size(refused));

    toolState.errors.clear();
    for (const char *value : {"a..b/c.wav", "./x.wav", "..x/y", "a/.b", "x..wav"})
    {
        Tool_InitAliasRow(&row, "weapons.csv", seen);
        EXPECT_EQ(Field(ALIAS_COLUMN_FILE, value), "") << value;
        EXPECT_FALSE(row.rejected) << value;
    }
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasRowTest, CompressionLimitsAndHighBytes)
{
    std::string tooLong(63, '1');
    EXPECT_EQ(Field(ALIAS_COLUMN_COMPRESSION, tooLong),
              "ERROR: Sound alias file weapons.csv: compression '" + tooLong +
                  "' is longer than 63 characters\n");
    EXPECT_TRUE(row.rejected);

    Tool_InitAliasRow(&row, "weapons.csv", seen);
    EXPECT_EQ(Field(ALIAS_COLUMN_COMPRESSION, "hi\xe9gh"),
              "ERROR: Sound alias file weapons.csv: compression 'hi\xe9gh' has invalid character "
              "'\xe9' ascii 233\n");
    EXPECT_TRUE(row.rejected);
    ASSERT_EQ(toolState.errors.size(), 2u);
    EXPECT_STREQ(toolState.errors[1].text, "weapons.csv: hi\xe9gh => \xe9");
    EXPECT_EQ(toolState.errors[1].toolError, 8u);

    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_COMPRESSION, std::string(62, '0'));
    EXPECT_EQ(row.compression, std::string(62, '0'));
    EXPECT_FALSE(row.rejected);
}

TEST_F(AliasRowTest, ColumnGivenTwiceRejectsTheRow)
{
    Field(ALIAS_COLUMN_FILE, "a.wav");
    EXPECT_EQ(Field(ALIAS_COLUMN_FILE, "b.wav"),
              "ERROR: Sound alias file weapons.csv: Duplicate entries for the 'file' column\n");
    EXPECT_TRUE(row.rejected);
    EXPECT_STREQ(row.file, "a.wav");
    ASSERT_EQ(toolState.errors.size(), 1u);
    EXPECT_STREQ(toolState.errors[0].text, "weapons.csv: file");
    EXPECT_EQ(toolState.errors[0].toolError, 6u);
}

TEST_F(AliasRowTest, FlagColumns)
{
    Field(ALIAS_COLUMN_TYPE, "Streamed");
    EXPECT_TRUE(row.streamed);
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_TYPE, "PRIMED");
    EXPECT_TRUE(row.streamed);
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_TYPE, "loaded");
    EXPECT_FALSE(row.streamed);

    Field(ALIAS_COLUMN_LOOP, "RLooping");
    EXPECT_TRUE(row.looping);
    Field(ALIAS_COLUMN_CONVERSION, "MP3");
    EXPECT_TRUE(row.mp3);
    Field(ALIAS_COLUMN_SPATIALIZED, "3D");
    EXPECT_TRUE(row.spatialized);
    Field(ALIAS_COLUMN_UNKNOWN, "anything");

    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_LOOP, "loop");
    Field(ALIAS_COLUMN_SPATIALIZED, "3d ");
    EXPECT_FALSE(row.looping);
    EXPECT_FALSE(row.spatialized);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasRowTest, PlatformWords)
{
    EXPECT_TRUE(Matches(""));
    EXPECT_TRUE(Matches("pc"));
    EXPECT_TRUE(Matches("PC console"));
    EXPECT_TRUE(Matches("!console"));
    EXPECT_TRUE(Matches("\tpc\n"));
    EXPECT_FALSE(Matches("console"));
    EXPECT_FALSE(Matches("!pc"));
    EXPECT_FALSE(Matches("   "));
    EXPECT_FALSE(Matches("a b c d pc")); // only four words count
    EXPECT_TRUE(Matches("a b c pc"));
    EXPECT_FALSE(Matches("!pc console"));
}

TEST_F(AliasRowTest, PlatformBothExcludedAndIncluded)
{
    Capture();
    EXPECT_FALSE(Matches("pc !pc"));
    EXPECT_EQ(Output(),
              "ERROR: file weapons.csv alias shot has a platform both excluded and included\n");
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasRowTest, PlatformValueTooLongForItsCopyIsRefused)
{
    std::string value = "pc" + std::string(62, ' ');
    Capture();
    EXPECT_FALSE(Matches(value.c_str()));
    EXPECT_EQ(
        Output(),
        "ERROR: file weapons.csv alias shot has a platform value longer than 63 characters\n");
    EXPECT_TRUE(Matches(value.substr(0, 63).c_str()));
}

TEST_F(AliasRowTest, PlatformColumnUsesTheCurrentPlatformWord)
{
    Field(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_FALSE(row.platformOk);
    toolState.platform = &testPlatform;
    Tool_InitAliasRow(&row, "weapons.csv", seen);
    Field(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_TRUE(row.platformOk);
}

TEST_F(AliasRowTest, CompressionOnPcAcceptsOnlyZero)
{
    for (const char *value : {"", "0", "abc", "0x5"})
    {
        Str_Copy(row.compression, value, sizeof(row.compression));
        EXPECT_TRUE(Tool_ResolveCompression(&row)) << value;
        EXPECT_EQ(row.compressionSetting, 0);
    }
    Str_Copy(row.compression, "5", sizeof(row.compression));
    EXPECT_FALSE(Tool_ResolveCompression(&row));
    EXPECT_EQ(row.compressionSetting, 5);
}

TEST_F(AliasRowTest, CompressionNamesComeFromTheTable)
{
    toolState.platform = &testPlatform;
    CompressionTable &table = toolState.compressionTable;
    table.count = 3;
    table.entries[0] = {"", 5};
    table.entries[1] = {"low", 2};
    table.entries[2] = {"7", 1};

    Str_Copy(row.compression, "", sizeof(row.compression));
    EXPECT_TRUE(Tool_ResolveCompression(&row));
    EXPECT_EQ(row.compressionSetting, 5);
    Str_Copy(row.compression, "LOW", sizeof(row.compression));
    EXPECT_TRUE(Tool_ResolveCompression(&row));
    EXPECT_EQ(row.compressionSetting, 2);
    Str_Copy(row.compression, "7", sizeof(row.compression));
    EXPECT_TRUE(Tool_ResolveCompression(&row));
    EXPECT_EQ(row.compressionSetting, 1);
    Str_Copy(row.compression, "9", sizeof(row.compression));
    EXPECT_TRUE(Tool_ResolveCompression(&row));
    EXPECT_EQ(row.compressionSetting, 9);
    Str_Copy(row.compression, "10", sizeof(row.compression));
    EXPECT_FALSE(Tool_ResolveCompression(&row));
    Str_Copy(row.compression, "-1", sizeof(row.compression));
    EXPECT_FALSE(Tool_ResolveCompression(&row));
}
} // namespace
