// Tests of the work lists: entries are copies of their row, pushed at the head of the list
// of their kind, and freed with it.
#include "assets/sound_entry.h"

#include "assets/asset_test_fixture.h"

namespace
{
using SoundEntryTest = AssetTest;

TEST_F(SoundEntryTest, EntriesAreCopiesPushedAtTheHeadOfTheirList)
{
    SoundFileEntry row;
    memset(&row, 0, sizeof(row));
    for (const char *file : {"a.wav", "b.wav", "c.wav"})
    {
        Str_Copy(row.file, file, sizeof(row.file));
        row.compressionSetting = file[0] - 'a';
        Tool_AddSoundFileEntry(&row);
    }
    row.streamed = true;
    Tool_AddSoundFileEntry(&row);
    Str_Copy(row.file, "changed.wav", sizeof(row.file));

    EXPECT_EQ(Files(toolState.loadedList), (std::vector<std::string>{"c.wav", "b.wav", "a.wav"}));
    EXPECT_EQ(toolState.loadedList.count, 3);
    EXPECT_EQ(toolState.loadedList.head->next->compressionSetting, 1);
    EXPECT_EQ(Files(toolState.streamedList), (std::vector<std::string>{"c.wav"}));
    EXPECT_EQ(toolState.streamedList.head->next, nullptr);

    Tool_FreeSoundList(&toolState.loadedList);
    EXPECT_EQ(toolState.loadedList.head, nullptr);
    EXPECT_EQ(toolState.loadedList.count, 0);
}
} // namespace
