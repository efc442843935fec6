// Tests of the value rules of one alias row: names, sound files, compression, flags and
// platform words, with the exact messages and error records of refused values.
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

    // The same on a fresh row.
    std::string FreshField(int column, const std::string &value)
    {
        Tool_InitAliasRow(&row, "weapons.csv", seen);
        return Field(column, value);
    }

    // The message and the error record of a refused value.
    void ExpectRefused(const std::string &message, const std::string &record, unsigned code)
    {
        EXPECT_EQ(message.empty() ? "" : "ERROR: Sound alias file weapons.csv: " + message + "\n",
                  output);
        EXPECT_TRUE(row.rejected);
        ASSERT_FALSE(toolState.errors.empty());
        EXPECT_EQ(toolState.errors.back().text, "weapons.csv: " + record);
        EXPECT_EQ(toolState.errors.back().toolError, code);
    }

    bool Matches(const std::string &value)
    {
        return Tool_PlatformMatches(value.c_str(), "PC", "weapons.csv", "shot");
    }

    SoundFileEntry row;
    bool seen[ALIAS_COLUMN_COUNT];
    std::string output;
};

TEST_F(AliasRowTest, AliasNamesUpTo62LettersDigitsAndUnderscores)
{
    std::string name62(62, 'n'), name63(63, 'n');
    EXPECT_EQ(Field(ALIAS_COLUMN_NAME, name62), "");
    EXPECT_EQ(row.name, name62);
    EXPECT_FALSE(row.rejected);
    output = FreshField(ALIAS_COLUMN_NAME, name63);
    ExpectRefused("Alias name '" + name63 + "' is longer than 63 characters", name63, 2);
    EXPECT_TRUE(seen[ALIAS_COLUMN_NAME]);

    EXPECT_TRUE(Tool_IsValidAliasName("Shot_01"));
    for (const char *bad : {"shot 01", "shot-01", "shot.01", "sh\xe9t"})
        EXPECT_FALSE(Tool_IsValidAliasName(bad)) << bad;
    output = FreshField(ALIAS_COLUMN_NAME, "bad-name");
    ExpectRefused("Alias name 'bad-name' is invalid", "bad-name", 7);
    EXPECT_STREQ(row.name, "");
    // The alias file's name is cut to its field.
    Tool_InitAliasRow(&row, std::string(100, 'a').c_str(), seen);
    EXPECT_EQ(std::string(row.aliasFile), std::string(63, 'a'));
}

TEST_F(AliasRowTest, SoundFilesAreNormalisedToWavWithin63Characters)
{
    const std::pair<std::string, std::string> accepted[] = {
        {"\\Weapons\\Shot.aif", "Weapons/Shot.wav"},
        {"/ui/click", "ui/click.wav"},
        {"dir.v2/name", "dir.v2/name.wav"},
        // Only the last extension is replaced.
        {"door.pc.wav", "door.pc.wav"},
        {"a.b.c", "a.b.wav"},
        {std::string(55, 'f') + ".wav", std::string(55, 'f') + ".wav"},
        {std::string(59, 'h'), std::string(59, 'h') + ".wav"},
    };
    for (const auto &[value, file] : accepted)
    {
        EXPECT_EQ(FreshField(ALIAS_COLUMN_FILE, value), "");
        EXPECT_EQ(row.file, file);
    }
    EXPECT_TRUE(toolState.errors.empty());

    // 62 characters fit as written, but not once ".wav" is appended.
    for (const std::string &value : {std::string(63, 'f'), std::string(62, 'g')})
    {
        output = FreshField(ALIAS_COLUMN_FILE, value);
        ExpectRefused("Sound file '" + value + "' is longer than 63 characters", value, 2);
        EXPECT_STREQ(row.file, "");
    }
}

TEST_F(AliasRowTest, SoundFilesLeavingTheSoundFolderAreRefused)
{
    const char *refused[] = {"../x.wav",    "a\\..\\..\\b", "weapons/..",   "a/.../b.wav",
                             "a/.. /b.wav", "C:x.wav",      "shot.wav:ads", "/..\\x"};
    for (const char *value : refused)
    {
        output = FreshField(ALIAS_COLUMN_FILE, value);
        ExpectRefused("Sound file '" + std::string(value) + "' leaves the sound folder", value, 8);
        EXPECT_STREQ(row.file, "") << value;
    }
    EXPECT_EQ(toolState.errors.size(), std::size(refused));

    for (const char *value : {"a..b/c.wav", "./x.wav", "..x/y", "a/.b", "x..wav"})
    {
        EXPECT_EQ(FreshField(ALIAS_COLUMN_FILE, value), "") << value;
        EXPECT_FALSE(row.rejected) << value;
    }
    EXPECT_EQ(toolState.errors.size(), std::size(refused));
}

TEST_F(AliasRowTest, CompressionLimitsAndHighBytes)
{
    std::string tooLong(63, '1');
    output = Field(ALIAS_COLUMN_COMPRESSION, tooLong);
    ExpectRefused("compression '" + tooLong + "' is longer than 63 characters", tooLong, 2);
    output = FreshField(ALIAS_COLUMN_COMPRESSION, "hi\xe9gh");
    ExpectRefused("compression 'hi\xe9gh' has invalid character '\xe9' ascii 233",
                  "hi\xe9gh => \xe9", 8);
    FreshField(ALIAS_COLUMN_COMPRESSION, std::string(62, '0'));
    EXPECT_EQ(row.compression, std::string(62, '0'));
    EXPECT_FALSE(row.rejected);
}

// The type column is covered with the lists it chooses, in the alias text tests.
TEST_F(AliasRowTest, FlagColumnsTakeWholeWordsInAnyCase)
{
    Field(ALIAS_COLUMN_LOOP, "RLooping");
    Field(ALIAS_COLUMN_CONVERSION, "MP3");
    Field(ALIAS_COLUMN_SPATIALIZED, "3D");
    EXPECT_TRUE(row.looping && row.mp3 && row.spatialized);
    FreshField(ALIAS_COLUMN_LOOP, "loop");
    Field(ALIAS_COLUMN_SPATIALIZED, "3d ");
    Field(ALIAS_COLUMN_UNKNOWN, "anything");
    EXPECT_FALSE(row.looping || row.spatialized);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(AliasRowTest, PlatformWords)
{
    for (const char *value : {"", "pc", "PC console", "!console", "\tpc\n", "a b c pc"})
        EXPECT_TRUE(Matches(value)) << value;
    // Only four words count.
    for (const char *value : {"console", "!pc", "   ", "a b c d pc", "!pc console"})
        EXPECT_FALSE(Matches(value)) << value;

    Capture();
    EXPECT_FALSE(Matches("pc !pc"));
    EXPECT_TRUE(Matches("pc" + std::string(61, ' ')));
    EXPECT_FALSE(Matches("pc" + std::string(62, ' '))); // too long for its copy
    EXPECT_EQ(Output(),
              "ERROR: file weapons.csv alias shot has a platform both excluded and included\n"
              "ERROR: file weapons.csv alias shot has a platform value longer than 63 "
              "characters\n");
    EXPECT_TRUE(toolState.errors.empty());

    // The column uses the current platform's word.
    Field(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_FALSE(row.platformOk);
    toolState.platform = &testPlatform;
    FreshField(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_TRUE(row.platformOk);
}

TEST_F(AliasRowTest, CompressionSettingsByNumberOrTableName)
{
    auto expect = [&](const char *value, bool accepted, int setting)
    {
        Str_Copy(row.compression, value, sizeof(row.compression));
        EXPECT_EQ(Tool_ResolveCompression(&row), accepted) << value;
        EXPECT_EQ(row.compressionSetting, setting) << value;
    };
    // The PC range is 0 to 0 and it has no table: text that is no number reads as 0.
    for (const char *value : {"", "0", "abc", "0x5"})
        expect(value, true, 0);
    expect("5", false, 5);

    toolState.platform = &testPlatform;
    CompressionTable &table = toolState.compressionTable;
    table.count = 3;
    table.entries[0] = {"", 5};
    table.entries[1] = {"low", 2};
    table.entries[2] = {"7", 1};
    expect("", true, 5);
    expect("LOW", true, 2);
    expect("7", true, 1); // a name before a number
    expect("9", true, 9);
    expect("10", false, 10);
    expect("-1", false, -1);
}
} // namespace
