// Sorting and merging the work lists: a stable sort that ignores case, and a merge that
// keeps one alias per file and settles its compression.
#include "assets/sound_list.h"

#include "engine/common/format.h"
#include "tests/support/run_fixture.h"

#include <map>
#include <random>

namespace
{
class SoundListTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        toolState.run.platform = &testPlatform;
    }

    static void Add(const char *file, const char *compression = "", int setting = 0,
                    const char *name = "", bool streamed = false)
    {
        SoundFileEntry row;
        memset(&row, 0, sizeof(row));
        Str_Copy(row.file, file, sizeof(row.file));
        Str_Copy(row.compression, compression, sizeof(row.compression));
        Str_Copy(row.name, name, sizeof(row.name));
        row.compressionSetting = setting;
        row.streamed = streamed;
        Tool_AddSoundFileEntry(&row);
    }

    static Strings Names(const SoundFileList &list)
    {
        return Texts(list.head, &SoundFileEntry::name);
    }
};

TEST_F(SoundListTest, SortIgnoresCaseAndIsStableMergeKeepsTheLastAddedAliasOfEachList)
{
    // An empty list is fuzz_alias_file's first input.
    Add("b.wav", "", 0, "first");
    Add("A.wav", "", 0, "a");
    Add("B.WAV", "", 0, "second");
    Add("c.wav", "", 0, "c");
    Add("b.wav", "", 0, "third");
    Add("b.wav", "", 0, "streamed", true);
    Tool_SortSoundList(&toolState.run.loadedList);
    // Pushed at the head, so the alias added last comes first among equal files.
    EXPECT_EQ(Names(toolState.run.loadedList), (Strings{"a", "third", "second", "first", "c"}));
    EXPECT_EQ(toolState.run.loadedList.count, 5);

    Tool_MergeSoundList(&toolState.run.loadedList);
    Tool_MergeSoundList(&toolState.run.streamedList);
    EXPECT_EQ(Names(toolState.run.loadedList), (Strings{"a", "third", "c"}));
    EXPECT_EQ(toolState.run.loadedList.count, 3);
    EXPECT_EQ(Names(toolState.run.streamedList), Strings{"streamed"});
    EXPECT_EQ(toolState.run.streamedList.count, 1);
    EXPECT_TRUE(toolState.run.errors.empty());
}

TEST_F(SoundListTest, MergedCompressionAndItsConflicts)
{
    const struct
    {
        const char *what;
        std::vector<std::pair<const char *, int>> aliases; // compression, setting
        const char *compression;
        int setting;
        size_t errors;
    } cases[] = {
        // The leader, added last, keeps its own setting.
        {"missing taken from another", {{"0", 0}, {"", 3}}, "0", 3, 0},
        {"the same in another case", {{"High", 9}, {"high", 9}}, "high", 9, 0},
        // Three that disagree: the largest setting, and one error for the file.
        {"conflicting", {{"0", 0}, {"5", 5}, {"2", 2}}, "2", 5, 1},
    };
    for (const auto &merge : cases)
    {
        SCOPED_TRACE(merge.what);
        for (const auto &alias : merge.aliases)
            Add("x.wav", alias.first, alias.second);
        Tool_MergeSoundList(&toolState.run.loadedList);
        ASSERT_EQ(toolState.run.loadedList.count, 1);
        EXPECT_STREQ(toolState.run.loadedList.head->compression, merge.compression);
        EXPECT_EQ(toolState.run.loadedList.head->compressionSetting, merge.setting);
        ASSERT_EQ(toolState.run.errors.size(), merge.errors);
        if (merge.errors != 0)
        {
            EXPECT_STREQ(toolState.run.errors[0].text, "x.wav");
            EXPECT_EQ(toolState.run.errors[0].toolError, 10u);
            EXPECT_EQ(toolState.run.errors[0].systemError, 0u);
        }
        Tool_FreeSoundList(&toolState.run.loadedList);
        toolState.run.errors.clear();
    }
}
// Beyond a handful of entries a sort that is not stable shows.
TEST_F(SoundListTest, LargeListSortsStablyAndMergesToDistinctFiles)
{
    std::mt19937 random(20240611);
    std::map<std::string, Strings> byFile; // the names of each file, the last added first
    for (int i = 0; i < 20000; ++i)
    {
        std::string file = "dir/f" + std::to_string(random() % 3000) + ".wav";
        Add(file.c_str(), "", 0, std::to_string(i).c_str());
        byFile[file].insert(byFile[file].begin(), std::to_string(i));
    }
    Strings sorted, merged;
    for (const auto &[file, names] : byFile)
    {
        sorted.insert(sorted.end(), names.begin(), names.end());
        merged.push_back(names.front());
    }
    Tool_SortSoundList(&toolState.run.loadedList);
    EXPECT_EQ(Names(toolState.run.loadedList), sorted);
    Tool_MergeSoundList(&toolState.run.loadedList);
    EXPECT_EQ(Names(toolState.run.loadedList), merged);
    EXPECT_EQ(toolState.run.loadedList.count, static_cast<int>(merged.size()));
}
} // namespace
