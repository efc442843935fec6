// Tests of numbered variants and their folder listing.
#include "assets/alias_variants.h"

#include "assets/alias_row.h"
#include "engine/common/format.h"
#include "tests/support/run_fixture.h"

#include <algorithm>

namespace
{
class AliasVariantsTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        bool seen[ALIAS_COLUMN_COUNT];
        Tool_InitAliasRow(&row, "weapons.csv", seen);
        Str_Copy(row.name, "shot", sizeof(row.name));
        Str_Copy(row.file, "weapons/shot", sizeof(row.file));
    }

    void Touch(const std::string &relative) { WriteFile(Source("raw/sound/" + relative), "RIFF"); }

    // The files added, in the order they were added.
    static Strings Added()
    {
        Strings files = Files(toolState.run.loadedList);
        return Strings(files.rbegin(), files.rend());
    }

    SoundFileEntry row;
};

TEST_F(AliasVariantsTest, NamesHaveTwoDigitsBeforeTheExtensionAndSortPlatformFirst)
{
    for (const char *name : {"shot01.wav", "shot_01.wav", "07.pc.wav", "a12.wav.bak"})
        EXPECT_TRUE(Tool_HasVariantNumber(name)) << name;
    for (const char *name : {"shot1.wav", "shot.wav", "shot01.WAV", "1.wav", "readme.txt"})
        EXPECT_FALSE(Tool_HasVariantNumber(name)) << name;

    EXPECT_TRUE(Tool_CompareVariantNames("zz01.wav", "aa02.wav"));
    EXPECT_FALSE(Tool_CompareVariantNames("aa10.wav", "zz09.wav"));
    EXPECT_TRUE(Tool_CompareVariantNames("b05.pc.wav", "a05.wav"));
    EXPECT_FALSE(Tool_CompareVariantNames("a05.wav", "b05.pc.wav"));
    EXPECT_FALSE(Tool_CompareVariantNames("a05.wav", "b05.wav"));
    EXPECT_FALSE(Tool_CompareVariantNames("b05.wav", "a05.wav"));
}

TEST_F(AliasVariantsTest, NumberedFilesOfTheFolderInNumberOrder)
{
    Touch("weapons/shot/shot03.wav");
    Touch("weapons/shot/shot01.wav");
    Touch("weapons/shot/shot2.wav");
    Touch("weapons/shot/readme.txt");
    MakeDirs(Source("raw/sound/weapons/shot/folder04.wav"));
    Tool_AddNumberedVariants(&row, "weapons.csv");
    EXPECT_EQ(Added(), (Strings{"weapons/shot/shot01.wav", "weapons/shot/shot03.wav"}));
    EXPECT_STREQ(row.file, "weapons/shot/shot03.wav");
    EXPECT_STREQ(toolState.run.loadedList.head->name, "shot");
    EXPECT_TRUE(toolState.run.errors.empty());
}

TEST_F(AliasVariantsTest, PlatformSpecificFilePassesOverLaterGenericOnes)
{
    for (const char *file : {"03.wav", "01.wav", "02.pc.wav", "02.wav", "04.pc.wav"})
        Touch("weapons/shot/" + std::string(file));
    row.streamed = true;
    Tool_AddNumberedVariants(&row, "weapons.csv");
    EXPECT_EQ(Files(toolState.run.streamedList),
              (Strings{"weapons/shot/04.pc.wav", "weapons/shot/02.pc.wav", "weapons/shot/01.wav"}));
    EXPECT_EQ(toolState.run.loadedList.count, 0);
}

TEST_F(AliasVariantsTest, EmptyFolderAddsNothingAndAMissingOneIsRecorded)
{
    MakeDirs(Source("raw/sound/weapons/shot"));
    Tool_AddNumberedVariants(&row, "weapons.csv");
    EXPECT_TRUE(toolState.run.errors.empty());
    EXPECT_STREQ(row.file, "weapons/shot");

    Str_Copy(row.file, "weapons/other", sizeof(row.file));
    Tool_AddNumberedVariants(&row, "weapons.csv");
    EXPECT_EQ(toolState.run.loadedList.count, 0);
    ASSERT_EQ(toolState.run.errors.size(), 1u);
    // The pattern of the last folder tried, devraw, in the tool's separators.
    std::string expected =
        std::string(toolState.folders.sourceRoot) + "/devraw/sound/weapons/other/*";
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(toolState.run.errors[0].text, expected);
    EXPECT_EQ(toolState.run.errors[0].systemError, 3u);
    EXPECT_EQ(toolState.run.errors[0].toolError, 0u);
}

TEST_F(AliasVariantsTest, VariantPathTooLongIsPassedOver)
{
    std::string stem = "a/" + std::string(50, 's');
    Str_Copy(row.file, stem.c_str(), sizeof(row.file));
    Touch(stem + "/01.wav");
    Touch(stem + "/long_name_02.wav");
    Capture();
    Tool_AddNumberedVariants(&row, "weapons.csv");
    std::string longVariant = stem + "/long_name_02.wav";
    EXPECT_EQ(Output(), "ERROR: Sound alias file weapons.csv: Sound file '" + longVariant +
                            "' is longer than 63 characters\n");
    EXPECT_EQ(Added(), (Strings{stem + "/01.wav"}));
    ASSERT_EQ(toolState.run.errors.size(), 1u);
    EXPECT_EQ(toolState.run.errors[0].text, "weapons.csv: " + longVariant);
    EXPECT_EQ(toolState.run.errors[0].toolError, 2u);
}
} // namespace
