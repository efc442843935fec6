// Tests of the platform table and the work lists.
#include "assets/sound_entry.h"

#include "assets/asset_test_fixture.h"
#include "convert/encoder_pc.h"

namespace
{
using SoundEntryTest = AssetTest;

SoundFileEntry Row(const char *file, bool streamed)
{
    SoundFileEntry row;
    memset(&row, 0, sizeof(row));
    Str_Copy(row.file, file, sizeof(row.file));
    row.streamed = streamed;
    return row;
}

TEST_F(SoundEntryTest, EntriesArePushedAtTheHeadOfTheirList)
{
    for (const char *file : {"a.wav", "b.wav", "c.wav"})
    {
        SoundFileEntry row = Row(file, false);
        Tool_AddSoundFileEntry(&row);
    }
    SoundFileEntry streamed = Row("s.wav", true);
    Tool_AddSoundFileEntry(&streamed);

    EXPECT_EQ(Files(toolState.loadedList), (std::vector<std::string>{"c.wav", "b.wav", "a.wav"}));
    EXPECT_EQ(toolState.loadedList.count, 3);
    EXPECT_EQ(Files(toolState.streamedList), (std::vector<std::string>{"s.wav"}));
    EXPECT_EQ(toolState.streamedList.count, 1);
}

TEST_F(SoundEntryTest, TheEntryIsACopyOfTheRow)
{
    SoundFileEntry row = Row("a.wav", false);
    Str_Copy(row.name, "alias", sizeof(row.name));
    row.compressionSetting = 7;
    row.looping = true;
    Tool_AddSoundFileEntry(&row);
    Str_Copy(row.file, "changed.wav", sizeof(row.file));

    const SoundFileEntry *entry = toolState.loadedList.head;
    EXPECT_STREQ(entry->file, "a.wav");
    EXPECT_STREQ(entry->name, "alias");
    EXPECT_EQ(entry->compressionSetting, 7);
    EXPECT_TRUE(entry->looping);
    EXPECT_EQ(entry->next, nullptr);
}

TEST_F(SoundEntryTest, FreeEmptiesTheList)
{
    SoundFileEntry row = Row("a.wav", true);
    Tool_AddSoundFileEntry(&row);
    Tool_AddSoundFileEntry(&row);
    Tool_FreeSoundList(&toolState.streamedList);
    EXPECT_EQ(toolState.streamedList.head, nullptr);
    EXPECT_EQ(toolState.streamedList.count, 0);
}

TEST(PlatformTable, PcRow)
{
    const PlatformInfo &pc = platformTable[0];
    EXPECT_STREQ(pc.name, "pc");
    EXPECT_STREQ(pc.outputDir, "");
    EXPECT_STREQ(pc.aliasPlatformName, "PC");
    EXPECT_STREQ(pc.targetExt, ".wav");
    EXPECT_STREQ(pc.platformSourceExt, ".pc.wav");
    EXPECT_STREQ(pc.rawStreamedDir, "raw");
    EXPECT_STREQ(pc.rawLoadedDir, "raw");
    EXPECT_STREQ(pc.devrawStreamedDir, "devraw");
    EXPECT_STREQ(pc.devrawLoadedDir, "devraw");
    EXPECT_STREQ(pc.compressionTableFile, "");
    EXPECT_STREQ(pc.historyFile, "Auralith.hst");
    EXPECT_EQ(pc.minCompression, 0);
    EXPECT_EQ(pc.maxCompression, 0);
    EXPECT_EQ(pc.maxNameComponent, 42);
    EXPECT_EQ(pc.encode, &Tool_EncodeSoundPC);
}
} // namespace
