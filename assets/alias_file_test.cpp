// A realistic alias file of a few hundred rows, read through the engine file system from
// a kit folder, against the lists worked out by hand. Which game folders and archives
// alias files are found in, and the record of a missing one, are checked end to end
// (file_system_test).
#include "assets/alias_file.h"

#include "assets/sound_list.h"
#include "engine/common/format.h"
#include "tests/support/fs_archives.h"
#include "tests/support/run_fixture.h"

#include <algorithm>
#include <random>
#include <tuple>

namespace
{
class AliasFileTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        kit = dir / "kit";
        MakeDirs(kit + "/main");
        Str_Copy(toolState.folders.sourceRoot, (kit + "/sound_assets").c_str(),
                 sizeof(toolState.folders.sourceRoot));
        StartFileSystem(kit);
    }

    void TearDown() override
    {
        StopFileSystem();
        RunTest::TearDown();
    }

    std::string kit;
};

// One expected work-list entry.
typedef std::tuple<std::string, bool, std::string, bool, bool, std::string> Expected;

std::string Lower(std::string text)
{
    for (char &c : text)
        c = Str_ToLowerAscii(c);
    return text;
}

TEST_F(AliasFileTest, RealisticFilesGiveTheExpectedLists)
{
    const int blocks = 30;
    std::mt19937 random(1234);
    std::string text =
        "# sound aliases of the test "
        "level\nname,file,compression,type,platform,loop,conversion,spatialized,subtitle\n";
    std::vector<Expected> loaded;
    std::vector<Expected> streamed;
    for (int i = 0; i < blocks; ++i)
    {
        char n[8];
        snprintf(n, sizeof(n), "%03d", i);
        std::string s = n;
        std::vector<std::string> rows = {
            "amb_wind_" + s + ",ambient/wind_" + s + ".wav,,streamed,,looping,,,\"Wind, gusty\"",
            "wpn_shot_" + s + ",\\weapons\\Shot_" + s + ".aif,0,loaded,pc,,,3d,",
            "vo_greet_" + s + ",voiceovers/greet_" + s + ",,PRIMED,,,mp3,,",
            "ui_click_" + s + ",ui/click.wav," + (i % 2 == 0 ? "0" : "") + ",,,,,,",
            "console_only_" + s + ",console/only_" + s + ".wav,,,!pc,,,,",
            "# disabled " + s + ",x.wav,,,,,,,",
            "bad name " + s + ",ui/bad_" + s + ".wav,,,,,,,",
            "music_" + s + ",\"music/track, part " + s +
                ".wav\",,streamed,\"PC \",rlooping,,,\"line one\nline two\"",
            "foot_" + s + ",foley/step_" + s + ".wav,5,,,,,,",
            "ex_" + s + ",foley/ex_" + s + ".WAV,\"0\",LOADED,pc console,,,3D,",
        };
        // Empty rows, comment rows and blank lines between rows, and both line ends.
        static const char *const between[8] = {",,,,\n", "#,note\n", "\n", "", "", "", "", ""};
        for (const std::string &row : rows)
        {
            text += row + (random() % 3 == 0 ? "\r\n" : "\n");
            text += between[random() % 8];
        }
        streamed.emplace_back("ambient/wind_" + s + ".wav", true, "", true, false, "amb_wind_" + s);
        loaded.emplace_back("weapons/Shot_" + s + ".wav", false, "0", false, true, "wpn_shot_" + s);
        streamed.emplace_back("voiceovers/greet_" + s + ".wav", true, "", false, false,
                              "vo_greet_" + s);
        streamed.emplace_back("music/track, part " + s + ".wav", true, "", true, false,
                              "music_" + s);
        loaded.emplace_back("foley/ex_" + s + ".wav", false, "0", false, true, "ex_" + s);
    }
    // The second file names the shared click again, in other case and separators; as the
    // alias added last it leads the merged entry and takes the compression of the others.
    loaded.emplace_back("UI/Click.wav", false, "0", false, false, "ui_click_extra");
    auto byFile = [](const Expected &a, const Expected &b)
    { return Lower(std::get<0>(a)) < Lower(std::get<0>(b)); };
    std::sort(loaded.begin(), loaded.end(), byFile);
    std::sort(streamed.begin(), streamed.end(), byFile);

    WriteFile(kit + "/raw/soundaliases/level.csv", text);
    WriteFile(kit + "/raw/soundaliases/extra.csv", "name,file\nui_click_extra,UI\\Click.wav\n");
    Capture();
    Tool_ParseAliasFile(0, "level.csv");
    Tool_ParseAliasFile(0, "extra.csv");
    std::string output = Output();
    Tool_MergeSoundList(&toolState.run.loadedList);
    Tool_MergeSoundList(&toolState.run.streamedList);

    auto entries = [](const SoundFileList &list)
    {
        std::vector<Expected> got;
        for (const SoundFileEntry *entry = list.head; entry != nullptr; entry = entry->next)
            got.emplace_back(entry->file, entry->streamed, entry->compression, entry->looping,
                             entry->spatialized, entry->name);
        return got;
    };
    EXPECT_EQ(entries(toolState.run.loadedList), loaded);
    EXPECT_EQ(entries(toolState.run.streamedList), streamed);
    EXPECT_EQ(toolState.run.loadedList.count, static_cast<int>(loaded.size()));
    EXPECT_EQ(toolState.run.streamedList.count, static_cast<int>(streamed.size()));

    ASSERT_EQ(toolState.run.errors.size(), static_cast<size_t>(blocks));
    for (const ToolErrorRecord &error : toolState.run.errors)
        EXPECT_EQ(error.toolError, 7u);
    EXPECT_NE(output.find("Sound alias file level.csv: Alias name 'bad name 029' is invalid\n"),
              std::string::npos);
}
} // namespace
