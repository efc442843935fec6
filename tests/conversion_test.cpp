// End-to-end: conversion runs of the real binary over temporary kits with the fake
// encoders, from the first run to the up-to-date run, the encoder choice, the
// converted files and the report.
#include "tests/support/riff_builder.h"
#include "tests/support/target_layout.h"
#include "tests/support/test_kit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
const std::string NO_ORPHANS =
    "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------";

std::string Summary(int files, int updated, int orphans, int errors = 0)
{
    return "\n\n---------------------------\nFILES: \t\t" + std::to_string(files) +
           "\nUPDATED: \t" + std::to_string(updated) + "\nOPRHANS: \t" + std::to_string(orphans) +
           "\n" + (errors > 0 ? "ERRORS: \t" + std::to_string(errors) + "\n" : "") +
           "----------------------------";
}

// The tail of a report: everything from the FILES rule on.
std::string SummaryOf(const std::string &out)
{
    size_t at = out.rfind("\n\n---------------------------\nFILES:");
    return at == std::string::npos ? out : out.substr(at);
}

class Conversion : public testing::Test
{
  protected:
    // Four sounds that take the four roads of the encoder: ADPCM, ADPCM after resampling,
    // PCM without any program, and WMA.
    void WriteBasicKit()
    {
        kit.WriteSounds("main.csv", "name,file,type,loop,compression",
                        {{"shot,weapons/shot.wav,,,", PcmWave(44100, 1, 1000)},
                         {"theme,music/theme.wav,streamed,,", PcmWave(48000, 2, 4800)},
                         {"beep,ui/beep.wav,,,pcm", PcmWave(16000, 1, 1600)},
                         {"wind,amb/long.wav,loaded,,", PcmWave(44100, 1, 88064)}});
    }

    std::string Source(const std::string &relative, const std::string &tree = "raw") const
    {
        return kit / ("sound_assets/" + tree + "/sound/" + relative);
    }

    // The fake encoders' log line of a launch, input to the scratch folder.
    std::string Launch(const std::string &program, const std::string &input) const
    {
        std::string output = kit.root() + "/sound_assets/tempEncodings/temp.encode.wav";
        return program + (program == "WMAEncode.exe" ? "\t-b\t96000\t" : "\t-b\t512\t-f\t16\t") +
               input + "\t" + output;
    }

    // Every converted file of the kit, relative to the kit root.
    std::vector<std::string> AllTargets() const
    {
        std::vector<std::string> all;
        for (const auto &file : OutputFiles(kit))
            all.push_back(file.first);
        return all;
    }

    // The sample frames a converted file's PRIV chunk records.
    uint32_t PrivFrames(const std::string &target) const
    {
        return ReadTargetLayout(ReadFile(kit / target)).privFrames;
    }

    // The report line of a first run, which finds no history file.
    std::string NoHistory() const
    {
        return "ERROR: " + kit.root() + "/sound_assets/Auralith.hst : file not found.\n";
    }

    TestKit kit;
};
} // namespace

TEST_F(Conversion, FirstRunConvertsEverythingIntoTargetsWithThePrivChunkEndingAt2088)
{
    WriteBasicKit();
    KitRun first = kit.Run({});
    EXPECT_EQ(0, first.status) << first.out;
    EXPECT_EQ(NoHistory() + NO_ORPHANS + Summary(4, 4, 0), first.out);

    std::string temp = kit.root() + "/sound_assets/tempEncodings";
    EXPECT_EQ((std::vector<std::string>{
                  Launch("WMAEncode.exe", Source("amb/long.wav")),
                  Launch("AdpcmEncode.exe", Source("weapons/shot.wav")),
                  "sox.exe\t" + Source("music/theme.wav") + "\t-r\t44100\t" + temp +
                      "/temp.rate.wav\tresample",
                  Launch("AdpcmEncode.exe", temp + "/temp.rate.wav"),
              }),
              kit.TakeEncoderLog());
    const std::vector<std::string> targets = {"raw/sound/amb/long.wav", "raw/sound/music/theme.wav",
                                              "raw/sound/ui/beep.wav",
                                              "raw/sound/weapons/shot.wav"};
    EXPECT_EQ(targets, AllTargets());
    EXPECT_EQ("XUHISTORY 8\n"
              "\"music/theme.wav\" 0 1 0 0 0\n"
              "\"weapons/shot.wav\" 0 0 0 0 0\n"
              "\"ui/beep.wav\" 0 0 0 0 0\n"
              "\"amb/long.wav\" 0 0 0 0 0\n",
              ReadFile(kit / "sound_assets/Auralith.hst"));

    // The PRIV chunk behind the format: its header, the zeros that fill it up to the data.
    std::string beep = ReadFile(kit / "raw/sound/ui/beep.wav");
    EXPECT_EQ("PRIV" + LittleU32(2044) + "SNDS" + LittleU32(5) + LittleU32(16000) + LittleU32(1) +
                  LittleU32(1600) + LittleU32(3200) + std::string(2044 - 24, '\0') +
                  RiffChunk("data", SampleBytes(3200)),
              beep.substr(36));
    TargetLayout resampled = ReadTargetLayout(ReadFile(kit / "raw/sound/music/theme.wav"));
    EXPECT_EQ(2u, resampled.formatTag); // ADPCM after the resampler
    EXPECT_EQ(44100u, resampled.privRate);
    EXPECT_EQ(2u, resampled.privChannels);
    EXPECT_EQ(resampled.dataSize, resampled.privDataSize);
    TargetLayout wma = ReadTargetLayout(ReadFile(kit / "raw/sound/amb/long.wav"));
    EXPECT_EQ("XWMA", wma.form);
    EXPECT_EQ(88064u, wma.privFrames);
    // Every target: PRIV right behind the format, ending at 2088, and the data last (the
    // chunk the fake ADPCM encoder puts behind it is cut), the sizes adding up.
    for (const std::string &target : targets)
    {
        RiffRead riff = ReadRiff(ReadFile(kit / target));
        ASSERT_LE(3u, riff.order.size()) << target;
        EXPECT_EQ("fmt PRIV data", riff.order[0] + riff.order[1] + " " + riff.order.back());
        EXPECT_EQ(2088u, riff.offsets["PRIV"] + 8 + riff.chunks["PRIV"].size()) << target;
        EXPECT_TRUE(riff.wellFormed) << target;
    }
}

// Each reason to convert again (a target missing, a newer source, another compression
// setting, no record) is Explain's; here the time comparison at its edge.
TEST_F(Conversion, NextRunsSkipTargetsAsNewAsTheirSourcesAndConvertThoseASecondOlder)
{
    WriteBasicKit();
    ASSERT_EQ(0, kit.Run({}).status);
    kit.TakeEncoderLog();
    SetFileTime(kit / "raw/sound/amb/long.wav", 1600000000);
    SetFileTime(Source("amb/long.wav"), 1600000000);
    SetFileTime(kit / "raw/sound/weapons/shot.wav", 1600000000);
    SetFileTime(Source("weapons/shot.wav"), 1600000001);
    KitRun next = kit.Run({"-verbose"});
    EXPECT_NE(std::string::npos, next.out.find("Skipping up to date sound file " +
                                               ToolPath(Source("amb/long.wav")) + ".\n"));
    EXPECT_NE(std::string::npos, next.out.find(Summary(4, 1, 0))) << next.out;
    EXPECT_EQ(std::vector<std::string>{Launch("AdpcmEncode.exe", Source("weapons/shot.wav"))},
              kit.TakeEncoderLog());
}

TEST_F(Conversion, RawBeforeDevrawPlatformSpecificSourcesAndLocalizedFiles)
{
    kit.WriteSounds("a.csv", "name,file,type",
                    {{"both,both.wav,", PcmWave(22050, 1, 100)},
                     {"dev,dev/only.wav,", ""},
                     {"door,door.wav,", PcmWave(22050, 1, 400)},
                     {"doorpc,knock.pc.wav,", PcmWave(22050, 1, 600)},
                     {"greet,voiceovers/greet.wav,streamed", ""}});
    kit.WriteSource("both.wav", PcmWave(22050, 1, 200), "devraw");
    kit.WriteSource("dev/only.wav", PcmWave(22050, 1, 300), "devraw");
    kit.WriteSource("door.pc.wav", PcmWave(22050, 2, 500));
    WriteFile(kit / "sound_assets/raw/french/sound/voiceovers/greet.wav", PcmWave(22050, 1, 20));
    kit.SetEncoderRules("fail AdpcmEncode.exe\n"); // everything falls back to PCM

    KitRun run = kit.Run({"-lang", "french"});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_EQ((std::vector<std::string>{
                  "devraw/sound/dev/only.wav", "raw/french/sound/voiceovers/greet.wav",
                  "raw/sound/both.wav", "raw/sound/door.wav", "raw/sound/knock.wav"}),
              AllTargets());
    EXPECT_EQ(100u, PrivFrames("raw/sound/both.wav"));
    EXPECT_EQ(300u, PrivFrames("devraw/sound/dev/only.wav"));
    EXPECT_EQ(500u, PrivFrames("raw/sound/door.wav"));
    EXPECT_EQ(600u, PrivFrames("raw/sound/knock.wav"));
    EXPECT_EQ(20u, PrivFrames("raw/french/sound/voiceovers/greet.wav"));
    std::string history = ReadFile(kit / "sound_assets/Auralith.hst");
    EXPECT_NE(std::string::npos, history.find("\"dev/only.wav\" 0 0 1 0 0\n"));
    EXPECT_NE(std::string::npos, history.find("\"both.wav\" 0 0 0 0 0\n"));
    EXPECT_NE(std::string::npos, history.find("\"french/voiceovers/greet.wav\" 0 1 0 0 0\n"));
    EXPECT_TRUE(FileExists(kit / "devraw/french/sound"));
    EXPECT_EQ(Summary(5, 1, 0),
              SummaryOf(kit.Run({"-lang", "french", "-skip-non-localized", "-clean"}).out));
    EXPECT_EQ(Summary(5, 4, 0),
              SummaryOf(kit.Run({"-lang", "french", "-skip-localized", "-clean"}).out));
}

TEST_F(Conversion, ReportOfOrphansMissingSourcesAndLongNames)
{
    // The name part below the sound folder may hold 42 characters.
    std::string fits = "dir/" + std::string(38, 'n') + ".wav",
                tooLong = "dir/" + std::string(39, 'n') + ".wav";
    kit.WriteSounds("a.csv", "name,file",
                    {{"door,door.wav", PcmWave(22050, 1, 10)},
                     {"missing,missing.wav", ""},
                     {"fits," + fits, PcmWave(22050, 1, 10)},
                     {"long," + tooLong, PcmWave(22050, 1, 10)}});
    // Orphans are files of the target extension, in any spelling, that no alias names.
    WriteFile(kit / "RAW/Sound/Door.WAV", "stale");
    WriteFile(kit / "RAW/Sound/old.wav", "");
    WriteFile(kit / "RAW/Sound/readme.txt", "");
    WriteFile(kit / "devraw/english/sound/voiceovers/gone.wav", "");
    kit.SetEncoderRules("fail AdpcmEncode.exe\n");

    KitRun run = kit.Run({});
    EXPECT_EQ(2, run.status);
    // The missing source is named only with -verbose.
    std::string root = ToolPath(kit.root());
    const std::string errors = "\n---------------------------\n\tErrors\n"
                               "---------------------------\nERROR: " +
                               tooLong + " Filename too long.\n";
    EXPECT_EQ(NoHistory() + NO_ORPHANS + "\n" + root +
                  "\\devraw\\english\\sound\\voiceovers\\gone.wav\n" + root +
                  "\\raw\\sound\\old.wav" + errors + Summary(4, 2, 2, 2),
              run.out);
    // The existing spelling is kept; no second file or folder appears beside it.
    EXPECT_EQ((std::vector<std::string>{"Sound/Door.WAV", "Sound/dir/" + fits.substr(4),
                                        "Sound/old.wav", "Sound/readme.txt"}),
              ListTree(kit / "RAW"));
    EXPECT_EQ(1u, ReadTargetLayout(ReadFile(kit / "RAW/Sound/Door.WAV")).formatTag);
    EXPECT_TRUE(FileExists(kit / "RAW/english/sound"));
    std::vector<std::string> top = ListFolder(kit.root());
    EXPECT_EQ(top.end(), std::find(top.begin(), top.end(), "raw"));

    EXPECT_EQ(errors + "\n\n---------------------------\nFILES: \t\t4\nUPDATED: \t0\n" +
                  "ERRORS: \t2\n----------------------------",
              kit.Run({"-ignore_orphans"}).out);
    KitRun verbose = kit.Run({"-verbose", "-clean"});
    EXPECT_EQ(2, verbose.status);
    EXPECT_NE(std::string::npos,
              verbose.out.find("ERROR: missing file " + Source("missing.wav", "devraw") + "\n"));
    EXPECT_NE(std::string::npos, verbose.out.find("\n\ntime spent encoding: 00h 00m 00s.\n"));
}

TEST_F(Conversion, EncoderChoicesAndTheirFailureRecords)
{
    kit.WriteSounds("a.csv", "name,file,type,loop,compression",
                    {{"s,streamwma.wav,streamed,,wma", PcmWave(22050, 1, 100)},
                     {"l,loopwma.wav,loaded,looping,WMA", PcmWave(22050, 1, 100000)},
                     {"a,adpcm.wav,loaded,,ADPCM", PcmWave(22050, 1, 100000)},
                     // Stereo needs twice the frames for WMA.
                     {"w,long.wav,loaded,,", PcmWave(22050, 2, 2 * 88064 - 1)},
                     {"m,mono.wav,loaded,,", PcmWave(22050, 1, 88063)}});
    kit.SetEncoderRules("fail AdpcmEncode.exe adpcm.wav\n");

    KitRun run = kit.Run({});
    EXPECT_EQ(6, run.status) << run.out; // two records for each of the three failures
    EXPECT_EQ((std::vector<std::string>{Launch("AdpcmEncode.exe", Source("adpcm.wav")),
                                        Launch("AdpcmEncode.exe", Source("long.wav")),
                                        Launch("AdpcmEncode.exe", Source("mono.wav"))}),
              kit.TakeEncoderLog());
    std::string source = ToolPath(Source(""));
    EXPECT_NE(std::string::npos,
              run.out.find("ERROR: during encoding " + source + "adpcm.wav Bad file format\n" +
                           "ERROR: during encoding " + source + "loopwma.wav Bad file format\n" +
                           "ERROR: during encoding " + source + "streamwma.wav Bad file format\n"))
        << run.out;
    EXPECT_EQ((std::vector<std::string>{"raw/sound/long.wav", "raw/sound/mono.wav"}), AllTargets());

    // Automatic compression falls back to PCM when both encoders fail.
    kit.SetEncoderRules("fail WMAEncode.exe\nfail AdpcmEncode.exe\n");
    kit.WriteSounds("a.csv", "name,file", {{"w,wma.wav", PcmWave(44100, 1, 90000)}});
    run = kit.Run({});
    EXPECT_EQ(Summary(1, 2, 2), SummaryOf(run.out));
    TargetLayout layout = ReadTargetLayout(ReadFile(kit / "raw/sound/wma.wav"));
    EXPECT_EQ(1u, layout.formatTag);
    EXPECT_EQ(90000u, layout.privFrames);
}

TEST_F(Conversion, LoopingStreamsArePaddedWithTheirOwnSamples)
{
    // 535528 mono frames make a target of exactly 1073152 bytes: not padded. One frame
    // more pads the target to three times 536576 bytes with its own first samples.
    kit.WriteSounds("a.csv", "name,file,type,loop,compression",
                    {{"exact,exact.wav,streamed,looping,pcm", PcmWave(22050, 1, 535528)},
                     {"over,over.wav,streamed,looping,pcm", PcmWave(22050, 1, 535529)},
                     {"still,still.wav,streamed,,pcm", PcmWave(22050, 1, 535529)}});
    ASSERT_EQ(0, kit.Run({}).status);

    EXPECT_EQ(1073152u, ReadFile(kit / "raw/sound/exact.wav").size());
    EXPECT_EQ(1073154u, ReadFile(kit / "raw/sound/still.wav").size());
    std::string over = ReadFile(kit / "raw/sound/over.wav");
    ASSERT_EQ(3u * 536576u, over.size());
    TargetLayout layout = ReadTargetLayout(over);
    EXPECT_EQ(1073154u - 8u, layout.riffSize);
    EXPECT_EQ(1071058u, layout.dataSize);
    EXPECT_EQ(over.substr(2096, over.size() - 1073154), over.substr(1073154));
}
