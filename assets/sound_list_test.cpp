// Tests of sorting and merging the work lists.
#include "assets/sound_list.h"

#include "assets/asset_test_fixture.h"

#include <algorithm>
#include <random>

namespace
{
class SoundListTest : public AssetTest
{
  protected:
    void SetUp() override
    {
        AssetTest::SetUp();
        toolState.platform = &testPlatform;
    }

    static void Add(const char *file, const char *compression = "", int setting = 0,
                    const char *name = "")
    {
        SoundFileEntry row;
        memset(&row, 0, sizeof(row));
        Str_Copy(row.file, file, sizeof(row.file));
        Str_Copy(row.compression, compression, sizeof(row.compression));
        Str_Copy(row.name, name, sizeof(row.name));
        row.compressionSetting = setting;
        Tool_AddSoundFileEntry(&row);
    }

    static std::vector<std::string> Names(const SoundFileList &list)
    {
        std::vector<std::string> names;
        for (const SoundFileEntry *entry = list.head; entry != nullptr; entry = entry->next)
            names.push_back(entry->name);
        return names;
    }
};

using Strings = std::vector<std::string>;

TEST_F(SoundListTest, SortIgnoresCaseAndKeepsTheOrderOfEqualFiles)
{
    Add("b.wav", "", 0, "first");
    Add("A.wav", "", 0, "a");
    Add("B.WAV", "", 0, "second");
    Add("c.wav", "", 0, "c");
    Add("b.wav", "", 0, "third");
    Tool_SortSoundList(&toolState.loadedList);
    // Pushed at the head, so the alias added last comes first among equal files.
    EXPECT_EQ(Names(toolState.loadedList), (Strings{"a", "third", "second", "first", "c"}));
    EXPECT_EQ(toolState.loadedList.count, 5);
}

TEST_F(SoundListTest, MergeKeepsTheLastAddedAliasOfEachFile)
{
    Add("x.wav", "", 0, "old");
    Add("y.wav", "", 0, "y");
    Add("X.wav", "", 0, "new");
    Tool_MergeSoundList(&toolState.loadedList);
    EXPECT_EQ(Names(toolState.loadedList), (Strings{"new", "y"}));
    EXPECT_EQ(toolState.loadedList.count, 2);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(SoundListTest, MissingCompressionIsTakenFromAnotherAliasWithoutError)
{
    Add("x.wav", "0", 0);
    Add("x.wav", "", 3);
    Tool_MergeSoundList(&toolState.loadedList);
    ASSERT_EQ(toolState.loadedList.count, 1);
    EXPECT_STREQ(toolState.loadedList.head->compression, "0");
    // The leader keeps its own setting.
    EXPECT_EQ(toolState.loadedList.head->compressionSetting, 3);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(SoundListTest, SameCompressionInAnotherCaseIsNoConflict)
{
    Add("x.wav", "High", 9);
    Add("x.wav", "high", 9);
    Tool_MergeSoundList(&toolState.loadedList);
    EXPECT_EQ(toolState.loadedList.count, 1);
    EXPECT_TRUE(toolState.errors.empty());
}

TEST_F(SoundListTest, ConflictingCompressionsTakeTheLargestAndRecordOneError)
{
    Add("x.wav", "0", 0);
    Add("x.wav", "5", 5);
    Add("x.wav", "2", 2);
    Add("y.wav", "1", 1);
    Add("y.wav", "3", 3);
    Tool_MergeSoundList(&toolState.loadedList);
    ASSERT_EQ(toolState.loadedList.count, 2);
    const SoundFileEntry *x = toolState.loadedList.head;
    EXPECT_STREQ(x->compression, "2");
    EXPECT_EQ(x->compressionSetting, 5);
    EXPECT_EQ(x->next->compressionSetting, 3);
    ASSERT_EQ(toolState.errors.size(), 2u);
    EXPECT_STREQ(toolState.errors[0].text, "x.wav");
    EXPECT_EQ(toolState.errors[0].toolError, 10u);
    EXPECT_EQ(toolState.errors[0].systemError, 0u);
    EXPECT_STREQ(toolState.errors[1].text, "y.wav");
}

TEST_F(SoundListTest, ListsAreMergedSeparately)
{
    SoundFileEntry row;
    memset(&row, 0, sizeof(row));
    Str_Copy(row.file, "x.wav", sizeof(row.file));
    Tool_AddSoundFileEntry(&row);
    row.streamed = true;
    Tool_AddSoundFileEntry(&row);
    Tool_MergeSoundList(&toolState.loadedList);
    Tool_MergeSoundList(&toolState.streamedList);
    EXPECT_EQ(toolState.loadedList.count, 1);
    EXPECT_EQ(toolState.streamedList.count, 1);
}

TEST_F(SoundListTest, EmptyListStaysEmpty)
{
    Tool_MergeSoundList(&toolState.loadedList);
    EXPECT_EQ(toolState.loadedList.head, nullptr);
}

TEST_F(SoundListTest, LargeListSortsStablyAndMergesToDistinctFiles)
{
    std::mt19937 random(20240611);
    std::vector<std::pair<std::string, int>> added; // file, order of adding
    const int total = 100000;
    for (int i = 0; i < total; ++i)
    {
        std::string file = "dir/f" + std::to_string(random() % 30000) + ".wav";
        Add(file.c_str(), "", 0, std::to_string(i).c_str());
        added.emplace_back(file, i);
    }
    // Expected: sorted by file, the one added last first within a file.
    std::stable_sort(added.begin(), added.end(),
                     [](const auto &a, const auto &b)
                     {
                         if (a.first != b.first)
                             return a.first < b.first;
                         return a.second > b.second;
                     });
    Tool_SortSoundList(&toolState.loadedList);
    size_t i = 0;
    for (const SoundFileEntry *entry = toolState.loadedList.head; entry != nullptr;
         entry = entry->next, ++i)
    {
        ASSERT_LT(i, added.size());
        ASSERT_EQ(entry->file, added[i].first);
        ASSERT_EQ(entry->name, std::to_string(added[i].second));
    }
    EXPECT_EQ(i, added.size());

    Tool_MergeSoundList(&toolState.loadedList);
    auto last = std::unique(added.begin(), added.end(),
                            [](const auto &a, const auto &b) { return a.first == b.first; });
    added.erase(last, added.end());
    ASSERT_EQ(toolState.loadedList.count, static_cast<int>(added.size()));
    i = 0;
    for (const SoundFileEntry *entry = toolState.loadedList.head; entry != nullptr;
         entry = entry->next, ++i)
        ASSERT_EQ(entry->name, std::to_string(added[i].second));
}
} // namespace
