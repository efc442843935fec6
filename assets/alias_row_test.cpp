// Tests of the value rules of one alias row: names, sound files, compression, flags and
// platform words, with the exact messages and error records of refused values.
#include "assets/alias_row.h"

#include "engine/common/format.h"
#include "tests/support/run_fixture.h"

#include <iterator>

namespace
{
class AliasRowTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
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
        EXPECT_EQ("ERROR: Sound alias file weapons.csv: " + message + "\n", output);
        EXPECT_TRUE(row.rejected);
        ASSERT_FALSE(toolState.run.errors.empty());
        EXPECT_EQ(toolState.run.errors.back().text, "weapons.csv: " + record);
        EXPECT_EQ(toolState.run.errors.back().toolError, code);
    }

    bool Matches(const std::string &value)
    {
        return Tool_PlatformMatches(value.c_str(), "PC", "weapons.csv", "shot");
    }

    SoundFileEntry row;
    bool seen[ALIAS_COLUMN_COUNT];
    std::string output;
};

// A name, a sound file or a compression takes 62 characters, not 63 (a sound file's result
// with its ".wav" is limited too: below), a platform value 63, not 64; longer texts reach
// the row cut to 1023 bytes (TokenizerTest, HostileKit).
TEST_F(AliasRowTest, ValuesThatAreTooLong)
{
    for (const auto &[column, what, end] : {std::tuple{ALIAS_COLUMN_NAME, "Alias name", ""},
                                            {ALIAS_COLUMN_FILE, "Sound file", ".wav"},
                                            {ALIAS_COLUMN_COMPRESSION, "compression", ""}})
    {
        const std::string ending = end;
        EXPECT_EQ(FreshField(column, std::string(62 - ending.size(), '0') + ending), "");
        EXPECT_FALSE(row.rejected);
        const std::string value = std::string(63 - ending.size(), '0') + ending;
        output = FreshField(column, value);
        ExpectRefused(std::string(what) + " '" + value + "' is longer than 63 characters", value,
                      2);
    }
    EXPECT_TRUE(Matches("pc" + std::string(61, ' ')));
    Capture();
    EXPECT_FALSE(Matches("pc" + std::string(62, ' ')));
    EXPECT_EQ(
        Output(),
        "ERROR: file weapons.csv alias shot has a platform value longer than 63 characters\n");
}

TEST_F(AliasRowTest, AliasNamesOfLettersDigitsAndUnderscores)
{
    EXPECT_TRUE(Tool_IsValidAliasName("Shot_01"));
    for (const char *bad : {"shot 01", "shot-01", "shot.01", "sh\xe9t"})
        EXPECT_FALSE(Tool_IsValidAliasName(bad)) << bad;
    output = Field(ALIAS_COLUMN_NAME, "bad-name");
    ExpectRefused("Alias name 'bad-name' is invalid", "bad-name", 7);
    EXPECT_STREQ(row.name, "");
    // The alias file's name is cut to its field.
    Tool_InitAliasRow(&row, std::string(100, 'a').c_str(), seen);
    EXPECT_EQ(std::string(row.aliasFile), std::string(63, 'a'));
}

TEST_F(AliasRowTest, SoundFilesAreNormalisedToWavAndMayNotLeaveTheSoundFolder)
{
    const std::pair<std::string, std::string> accepted[] = {
        {"\\Weapons\\Shot.aif", "Weapons/Shot.wav"},
        {"/ui/click", "ui/click.wav"},
        {"dir.v2/name", "dir.v2/name.wav"},
        // Only the last extension is replaced.
        {"door.pc.wav", "door.pc.wav"},
        {"a.b.c", "a.b.wav"},
        {"foley/Step.WAV", "foley/Step.wav"},
        {"music/track, part 1", "music/track, part 1.wav"},
        {std::string(59, 'h'), std::string(59, 'h') + ".wav"},
    };
    for (const auto &[value, file] : accepted)
    {
        EXPECT_EQ(FreshField(ALIAS_COLUMN_FILE, value), "");
        EXPECT_EQ(row.file, file);
    }
    // Dots that make no ".." component are no way out.
    for (const char *value : {"a..b/c.wav", "./x.wav", "..x/y", "a/.b", "x..wav"})
    {
        EXPECT_EQ(FreshField(ALIAS_COLUMN_FILE, value), "") << value;
        EXPECT_FALSE(row.rejected) << value;
    }
    EXPECT_TRUE(toolState.run.errors.empty());

    // 62 characters fit as written, but not once ".wav" is appended.
    std::string tooLong(62, 'g');
    output = FreshField(ALIAS_COLUMN_FILE, tooLong);
    ExpectRefused("Sound file '" + tooLong + "' is longer than 63 characters", tooLong, 2);
    EXPECT_STREQ(row.file, "");
    // More ways out ("../", "/.../", "C:/", ":stream") are refused end to end.
    const char *refused[] = {"a\\..\\..\\b", "weapons/..", "a/.. /b.wav", "C:x.wav", "/..\\x"};
    for (const char *value : refused)
    {
        output = FreshField(ALIAS_COLUMN_FILE, value);
        ExpectRefused("Sound file '" + std::string(value) + "' leaves the sound folder", value, 8);
        EXPECT_STREQ(row.file, "") << value;
    }
    EXPECT_EQ(toolState.run.errors.size(), 1 + std::size(refused));
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
    EXPECT_TRUE(toolState.run.errors.empty());
}

TEST_F(AliasRowTest, PlatformWords)
{
    for (const char *value : {"", "pc", "PC console", "!console", "\tpc\n", "a b c pc"})
        EXPECT_TRUE(Matches(value)) << value;
    // Only four words count.
    for (const char *value : {"console", "!pc", "   ", "a b c d pc", "!pc console"})
        EXPECT_FALSE(Matches(value)) << value;

    // The column uses the current platform's word.
    Field(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_FALSE(row.platformOk);
    toolState.run.platform = &testPlatform;
    FreshField(ALIAS_COLUMN_PLATFORM, "!pc");
    EXPECT_TRUE(row.platformOk);
}

TEST_F(AliasRowTest, CompressionSettingsByNumberOrTableNameOfAsciiOnly)
{
    output = Field(ALIAS_COLUMN_COMPRESSION, "hi\xe9gh");
    ExpectRefused("compression 'hi\xe9gh' has invalid character '\xe9' ascii 233",
                  "hi\xe9gh => \xe9", 8);

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

    toolState.run.platform = &testPlatform;
    CompressionTable &table = toolState.run.compressionTable;
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
