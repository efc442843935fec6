// The paths of a sound file, formed from its entry alone: no disk is asked.
#include "convert/update_check.h"

#include "tests/support/run_fixture.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
using SoundFilePathsTest = RunTest;

SoundFileEntry Entry(const std::string &file, bool streamed = false)
{
    SoundFileEntry entry = {};
    Str_Copy(entry.file, file.c_str(), sizeof(entry.file));
    entry.streamed = streamed;
    return entry;
}
} // namespace

TEST_F(SoundFilePathsTest, LanguagePlatformExtensionAndTreesFormEveryName)
{
    Str_Copy(toolState.folders.sourceRoot, "C:/kit/sound_assets", TOOL_PATH_SIZE);
    toolState.folders.localizedPrefixes[0] = {"battlechatter", 13};
    toolState.folders.localizedPrefixes[1] = {"voiceovers", 10};
    Str_Copy(toolState.options.languageDir, "french/", TOOL_PATH_SIZE);
    struct Case
    {
        std::string file;
        bool streamed;
        SoundFilePathsResult result;
        const char *historyName, *rawSource, *rawTarget, *devrawTarget;
    } cases[] = {
        {"VoiceOvers/greet.wav", true, SOUND_PATHS_FORMED, "french/VoiceOvers/greet.wav",
         "C:/kit/sound_assets/raw/french/sound/VoiceOvers/greet.wav",
         "C:/kit//raw/french/sound/VoiceOvers/greet.wav",
         "C:/kit//devraw/french/sound/VoiceOvers/greet.wav"},
        {"weapons/door.pc.wav", false, SOUND_PATHS_FORMED, "weapons/door.pc.wav",
         "C:/kit/sound_assets/raw/sound/weapons/door.pc.wav", "C:/kit//raw/sound/weapons/door.wav",
         "C:/kit//devraw/sound/weapons/door.wav"},
        {std::string(42, 'a') + "/" + std::string(10, 'b') + ".wav", false, SOUND_PATHS_FORMED,
         nullptr, nullptr, nullptr, nullptr},
        {std::string(43, 'a') + "/b.wav", false, SOUND_PATHS_TOO_LONG, nullptr, nullptr, nullptr,
         nullptr},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.file);
        SoundFileEntry entry = Entry(c.file, c.streamed);
        SoundFilePaths paths;
        ASSERT_EQ(c.result, Tool_FormSoundFilePaths("C:/kit/", &entry, &paths));
        if (c.historyName == nullptr)
            continue;
        EXPECT_STREQ(c.historyName, paths.historyName);
        EXPECT_STREQ(c.rawSource, paths.rawSource);
        // The target's extension and separators are settled once its source is known.
        EXPECT_STREQ(c.rawTarget, paths.rawTarget);
        EXPECT_STREQ(c.devrawTarget, paths.devrawTarget);
        EXPECT_TRUE(paths.devrawFits);
    }

    // The skip options leave the entries of their kind out before anything is formed.
    SoundFileEntry localized = Entry("battlechatter/x.wav");
    SoundFileEntry plain = Entry("x.wav");
    SoundFilePaths paths;
    toolState.options.skipLocalized = true;
    EXPECT_EQ(SOUND_PATHS_SKIPPED, Tool_FormSoundFilePaths("C:/kit/", &localized, &paths));
    EXPECT_EQ(SOUND_PATHS_FORMED, Tool_FormSoundFilePaths("C:/kit/", &plain, &paths));
    toolState.options.skipNonLocalized = true;
    EXPECT_EQ(SOUND_PATHS_SKIPPED, Tool_FormSoundFilePaths("C:/kit/", &plain, &paths));
}
