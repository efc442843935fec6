// End-to-end: the list, copy and check actions over a converted kit. They print no
// report, end with status 0, and leave the history as it was.
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

namespace
{
class SideActions : public testing::Test
{
  protected:
    void SetUp() override
    {
        kit.WriteSounds("weapons.csv", "name,file,type,spatialized,compression",
                        {{"shot,weapons/shot.wav,,3d,", PcmWave(22050, 1, 100)},
                         {"stereo,weapons/stereo.wav,,3d,", PcmWave(22050, 2, 100)},
                         {"flat,weapons/flat.wav,,,", PcmWave(22050, 2, 100)},
                         {"intro,music/intro.wav,streamed,,", PcmWave(22050, 2, 100)},
                         {"greet,voiceovers/greet.wav,streamed,,", ""},
                         {"gone,weapons/gone.wav,,3d,", ""}});
        WriteFile(kit / "sound_assets/raw/english/sound/voiceovers/greet.wav",
                  PcmWave(22050, 1, 100));
        KitRun run = kit.Run({});
        ASSERT_EQ(1, run.status) << run.out; // the missing weapons/gone.wav
        history = ReadFile(kit / "sound_assets/Auralith.hst");
        ASSERT_FALSE(history.empty());
    }

    // Runs a side action and checks what every side action promises.
    KitRun RunAction(const std::vector<std::string> &args)
    {
        RemoveFile(kit.bin() + "/Auralith.log");
        KitRun run = kit.Run(args);
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(std::string::npos, run.out.find("FILES:"));
        EXPECT_EQ(history, ReadFile(kit / "sound_assets/Auralith.hst"));
        return run;
    }

    TestKit kit;
    std::string history;
};
} // namespace

TEST_F(SideActions, ListingsPrintPathsBelowTheKitRootChecksReportOnStandardError)
{
    const std::string loaded = "raw\\sound\\weapons\\flat.wav\nraw\\sound\\weapons\\shot.wav\n"
                               "raw\\sound\\weapons\\stereo.wav\n";
    const std::string streamed = "raw\\sound\\music\\intro.wav\n"
                                 "raw\\english\\sound\\voiceovers\\greet.wav\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-list"}, loaded + streamed},
        {{"-LIST-STREAMED"}, streamed},
        {{"-list-resident"}, loaded},
        {{"-list-resident", "-list-streamed"}, ""},
        {{"-list-streamed", "-skip-localized"}, "raw\\sound\\music\\intro.wav\n"},
    };
    for (const auto &[args, out] : cases)
        EXPECT_EQ(out, RunAction(args).out) << args[0];
    // Listings go to the console only: nothing was printed through the log.
    EXPECT_FALSE(FileExists(kit.bin() + "/Auralith.log"));

    // A check takes precedence over the listing, and -check-priv over -check3d.
    KitRun check3d = RunAction({"-list", "-check3d"});
    EXPECT_EQ("", check3d.out);
    EXPECT_EQ("ERROR: weapons.csv: stereo (weapons/stereo.wav) -- 3D Sound with 2 channels\n",
              check3d.err);

    EXPECT_EQ("", RunAction({"-check-priv", "-check3d", "-list"}).err);
    WriteFile(kit / "raw/sound/weapons/flat.wav", PcmWave(22050, 1, 10));
    RemoveFile(kit / "raw/sound/music/intro.wav");
    EXPECT_EQ("ERROR: No PRIV chunk in " + ToolPath(kit / "raw/sound/weapons/flat.wav") + "\n" +
                  "ERROR: Failed reading " + ToolPath(kit / "raw/sound/music/intro.wav") + "\n",
              RunAction({"-check3d", "-check-priv"}).err);
    EXPECT_FALSE(FileExists(kit / "raw/sound/music/intro.wav"));
}

TEST_F(SideActions, CopyStreamedCreatesTheDestinationFolders)
{
    std::string destination = kit / "out/streams";
    MakeDirs(kit / "out");
    KitRun copy = RunAction({"-copy-streamed-to", destination});
    EXPECT_EQ("", copy.out);
    EXPECT_EQ("", copy.err);
    EXPECT_EQ((std::vector<std::string>{"raw/english/sound/voiceovers/greet.wav",
                                        "raw/sound/music/intro.wav"}),
              ListTree(destination));
    EXPECT_EQ(ReadFile(kit / "raw/sound/music/intro.wav"),
              ReadFile(destination + "/raw/sound/music/intro.wav"));

    WriteFile(destination + "/raw/sound/music/intro.wav", "overwritten without a message");
    RemoveFile(kit / "raw/english/sound/voiceovers/greet.wav");
    std::string greet = ToolPath(kit / "raw/english/sound/voiceovers/greet.wav");
    std::string greetCopy = destination + "\\raw\\english\\sound\\voiceovers\\greet.wav";
    KitRun listed = RunAction({"-copy-streamed-to", destination, "-list"});
    EXPECT_EQ("Copying: " + ToolPath(kit / "raw/sound/music/intro.wav") + "\n     To: " +
                  destination + "\\raw\\sound\\music\\intro.wav\n\nCopying: " + greet +
                  "\n     To: " + greetCopy + "\n\n",
              listed.out);
    EXPECT_EQ("  Error: 0x00000002 -- Failed copying  " + greet + "  TO  " + greetCopy + "\n",
              listed.err);
    EXPECT_EQ(ReadFile(kit / "raw/sound/music/intro.wav"),
              ReadFile(destination + "/raw/sound/music/intro.wav"));

    // Without a destination: the usage, and nothing copied.
    KitRun run = RunAction({"-copy-streamed-to"});
    EXPECT_NE(std::string::npos, run.out.find("USAGE: Auralith [options]"));
    EXPECT_NE(std::string::npos, run.err.find("no destination directory given"));
    EXPECT_FALSE(FileExists("/raw/sound/music/intro.wav"));
}
