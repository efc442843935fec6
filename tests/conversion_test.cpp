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
const char *const NO_ORPHANS = "ERROR: \n\n---------------------------\n\tOrphans\n---------------------------";

std::string Summary(int files, int updated, int orphans, int errors = 0)
{
    std::string text = "\n\n---------------------------\nFILES: \t\t" + std::to_string(files) + "\nUPDATED: \t" +
                       std::to_string(updated) + "\nOPRHANS: \t" + std::to_string(orphans) + "\n";
    if (errors > 0)
        text += "ERRORS: \t" + std::to_string(errors) + "\n";
    return text + "----------------------------";
}

// The tail of a report: everything from the FILES rule on.
std::string SummaryOf(const std::string &out)
{
    size_t at = out.rfind("\n\n---------------------------\nFILES:");
    return at == std::string::npos ? out : out.substr(at);
}

// Every converted file of the kit, relative to the kit root.
std::vector<std::string> AllTargets(const TestKit &kit)
{
    std::vector<std::string> all;
    for (const char *tree : {"devraw", "raw"})
        for (const std::string &file : ListTree(kit / tree))
            all.push_back(std::string(tree) + "/" + file);
    return all;
}

// "Program input.wav" for one line of the fake encoders' log.
std::string Launch(const std::string &line)
{
    std::vector<std::string> words;
    for (size_t start = 0, tab; start <= line.size(); start = tab + 1)
    {
        tab = line.find('\t', start);
        if (tab == std::string::npos)
            tab = line.size();
        words.push_back(line.substr(start, tab - start));
    }
    size_t input = words[0] == "AdpcmEncode.exe" ? 5 : words[0] == "WMAEncode.exe" ? 3 : 1;
    std::string path = input < words.size() ? words[input] : "";
    return words[0] + " " + path.substr(path.rfind('/') + 1);
}

// The report line of a first run, which finds no history file.
std::string NoHistory(const TestKit &kit)
{
    return "ERROR: " + kit.root() + "/sound_assets/Auralith.hst : file not found.\n";
}

std::string SourcePath(const TestKit &kit, const std::string &relative, const std::string &tree = "raw")
{
    return kit / ("sound_assets/" + tree + "/sound/" + relative);
}

class Conversion : public testing::Test
{
protected:
    // Four sounds that take the four roads of the encoder: WMA, ADPCM after resampling,
    // ADPCM, and PCM without any program.
    void WriteBasicKit()
    {
        kit.WriteAliasFile("main.csv", "name,file,type,loop,compression\n"
                                       "shot,weapons/shot.wav,,,\n"
                                       "theme,music/theme.wav,streamed,,\n"
                                       "beep,ui/beep.wav,,,pcm\n"
                                       "wind,amb/long.wav,loaded,,\n");
        kit.WriteSource("weapons/shot.wav", PcmWave(44100, 1, 1000));
        kit.WriteSource("music/theme.wav", PcmWave(48000, 2, 4800));
        kit.WriteSource("ui/beep.wav", PcmWave(16000, 1, 1600));
        kit.WriteSource("amb/long.wav", PcmWave(44100, 1, 88064));
    }

    TestKit kit;
};
} // namespace

TEST_F(Conversion, FirstRunConvertsEverythingSecondRunNothing)
{
    WriteBasicKit();
    KitRun first = kit.Run({});
    EXPECT_EQ(0, first.status) << first.out;
    EXPECT_EQ(NoHistory(kit) + NO_ORPHANS + Summary(4, 4, 0), first.out);
    EXPECT_EQ(first.out, first.log);

    std::string temp = kit.root() + "/sound_assets/tempEncodings";
    std::vector<std::string> expectedLaunches = {
        "WMAEncode.exe\t-b\t96000\t" + SourcePath(kit, "amb/long.wav") + "\t" + temp + "/temp.encode.wav",
        "AdpcmEncode.exe\t-b\t512\t-f\t16\t" + SourcePath(kit, "weapons/shot.wav") + "\t" + temp +
            "/temp.encode.wav",
        "sox.exe\t" + SourcePath(kit, "music/theme.wav") + "\t-r\t44100\t" + temp + "/temp.rate.wav\tresample",
        "AdpcmEncode.exe\t-b\t512\t-f\t16\t" + temp + "/temp.rate.wav\t" + temp + "/temp.encode.wav",
    };
    EXPECT_EQ(expectedLaunches, kit.TakeEncoderLog());

    std::vector<std::string> targets = {"raw/sound/amb/long.wav", "raw/sound/music/theme.wav",
                                        "raw/sound/ui/beep.wav", "raw/sound/weapons/shot.wav"};
    EXPECT_EQ(targets, AllTargets(kit));
    EXPECT_FALSE(FileExists(temp)) << "the scratch folder is removed at the end";
    EXPECT_EQ("XUHISTORY 8\n"
              "\"music/theme.wav\" 0 1 0 0 0\n"
              "\"weapons/shot.wav\" 0 0 0 0 0\n"
              "\"ui/beep.wav\" 0 0 0 0 0\n"
              "\"amb/long.wav\" 0 0 0 0 0\n",
              ReadFile(kit / "sound_assets/Auralith.hst"));

    std::vector<std::string> before;
    for (const std::string &target : targets)
        before.push_back(ReadFile(kit / target));
    KitRun second = kit.Run({});
    EXPECT_EQ(0, second.status);
    EXPECT_EQ(std::string(NO_ORPHANS) + Summary(4, 0, 0), second.out);
    EXPECT_TRUE(kit.TakeEncoderLog().empty());
    for (size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(before[i], ReadFile(kit / targets[i])) << targets[i];

    KitRun verbose = kit.Run({"-verbose"});
    EXPECT_NE(std::string::npos,
              verbose.out.find("Skipping up to date sound file " + ToolPath(SourcePath(kit, "ui/beep.wav")) + ".\n"));
}

TEST_F(Conversion, EveryTargetCarriesThePrivChunkEndingAt2088)
{
    WriteBasicKit();
    ASSERT_EQ(0, kit.Run({}).status);

    TargetLayout pcm = ReadTargetLayout(ReadFile(kit / "raw/sound/ui/beep.wav"));
    ASSERT_TRUE(pcm.valid);
    EXPECT_EQ(36u, pcm.formatEnd);
    EXPECT_EQ(36u, pcm.privOffset);
    EXPECT_EQ(2080u - 36u, pcm.privSize);
    EXPECT_EQ("SNDS", pcm.privMagic);
    EXPECT_EQ(5u, pcm.privVersion);
    EXPECT_EQ(16000u, pcm.privRate);
    EXPECT_EQ(1u, pcm.privChannels);
    EXPECT_EQ(1600u, pcm.privFrames);
    EXPECT_EQ(3200u, pcm.privDataSize);
    EXPECT_EQ(2088u, pcm.dataOffset);
    EXPECT_EQ(ReadFile(kit / "raw/sound/ui/beep.wav").substr(2096), SampleBytes(3200));

    TargetLayout resampled = ReadTargetLayout(ReadFile(kit / "raw/sound/music/theme.wav"));
    ASSERT_TRUE(resampled.valid);
    EXPECT_EQ(2u, resampled.formatTag); // ADPCM after the resampler
    EXPECT_EQ(44100u, resampled.privRate);
    EXPECT_EQ(2u, resampled.privChannels);
    EXPECT_EQ(resampled.dataSize, resampled.privDataSize);

    TargetLayout wma = ReadTargetLayout(ReadFile(kit / "raw/sound/amb/long.wav"));
    ASSERT_TRUE(wma.valid);
    EXPECT_EQ("XWMA", wma.form);
    EXPECT_EQ(353u, wma.formatTag);
    EXPECT_EQ(88064u, wma.privFrames);

    for (const std::string &target : ListTree(kit / "raw"))
    {
        std::string bytes = ReadFile(kit / ("raw/" + target));
        TargetLayout layout = ReadTargetLayout(bytes);
        EXPECT_EQ(layout.formatEnd, layout.privOffset) << target;
        EXPECT_EQ(2088u, layout.privOffset + 8 + layout.privSize) << target;
        EXPECT_EQ(bytes.size(), layout.dataEnd) << target;
        EXPECT_EQ(bytes.size() - 8, layout.riffSize) << target;
    }
    KitRun check = kit.Run({"-check-priv"});
    EXPECT_EQ(0, check.status);
    EXPECT_EQ("", check.out);
    EXPECT_EQ("", check.err);
}

TEST_F(Conversion, DeletedTargetTouchedSourceAndChangedCompressionConvertAgain)
{
    WriteBasicKit();
    ASSERT_EQ(0, kit.Run({}).status);
    kit.TakeEncoderLog();

    RemoveFile(kit / "raw/sound/weapons/shot.wav");
    KitRun run = kit.Run({});
    EXPECT_EQ(Summary(4, 1, 0), SummaryOf(run.out));
    ASSERT_EQ(1u, kit.TakeEncoderLog().size());
    EXPECT_TRUE(FileExists(kit / "raw/sound/weapons/shot.wav"));

    // A source newer than its target; equal times count as up to date.
    SetFileTime(kit / "raw/sound/amb/long.wav", 1600000000);
    SetFileTime(SourcePath(kit, "amb/long.wav"), 1600000000);
    SetFileTime(kit / "raw/sound/weapons/shot.wav", 1600000000);
    SetFileTime(SourcePath(kit, "weapons/shot.wav"), 1600000001);
    run = kit.Run({});
    EXPECT_EQ(Summary(4, 1, 0), SummaryOf(run.out));
    std::vector<std::string> launches = kit.TakeEncoderLog();
    ASSERT_EQ(1u, launches.size());
    EXPECT_NE(std::string::npos, launches[0].find("weapons/shot.wav"));

    // A history record with another compression setting: converted although the target
    // is newer than its source.
    std::string history = ReadFile(kit / "sound_assets/Auralith.hst");
    size_t at = history.find("\"music/theme.wav\" 0 1");
    ASSERT_NE(std::string::npos, at);
    history.replace(at, 20, "\"music/theme.wav\" 5 1");
    WriteFile(kit / "sound_assets/Auralith.hst", history);
    run = kit.Run({});
    EXPECT_EQ(Summary(4, 2, 0), SummaryOf(run.out)); // resampled, then compressed
    EXPECT_NE(std::string::npos, ReadFile(kit / "sound_assets/Auralith.hst").find("\"music/theme.wav\" 0 1 0 0 0"));

    run = kit.Run({"-clean"});
    EXPECT_EQ(Summary(4, 4, 0), SummaryOf(run.out));
}

TEST_F(Conversion, RawBeforeDevrawAndPlatformSpecificSources)
{
    kit.WriteAliasFile("a.csv", "name,file\nboth,both.wav\ndev,dev/only.wav\ndoor,door.wav\ndoorpc,knock.pc.wav\n");
    kit.WriteSource("both.wav", PcmWave(22050, 1, 100));
    kit.WriteSource("both.wav", PcmWave(22050, 1, 200), "devraw");
    kit.WriteSource("dev/only.wav", PcmWave(22050, 1, 300), "devraw");
    kit.WriteSource("door.wav", PcmWave(22050, 1, 400));
    kit.WriteSource("door.pc.wav", PcmWave(22050, 2, 500));
    kit.WriteSource("knock.pc.wav", PcmWave(22050, 1, 600));
    kit.SetEncoderRules("fail AdpcmEncode.exe\n"); // everything falls back to PCM

    KitRun run = kit.Run({});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_EQ((std::vector<std::string>{"devraw/sound/dev/only.wav", "raw/sound/both.wav", "raw/sound/door.wav",
                                        "raw/sound/knock.wav"}),
              AllTargets(kit));
    EXPECT_EQ(100u, ReadTargetLayout(ReadFile(kit / "raw/sound/both.wav")).privFrames);
    EXPECT_EQ(300u, ReadTargetLayout(ReadFile(kit / "devraw/sound/dev/only.wav")).privFrames);
    EXPECT_EQ(2u, ReadTargetLayout(ReadFile(kit / "raw/sound/door.wav")).privChannels);
    EXPECT_EQ(600u, ReadTargetLayout(ReadFile(kit / "raw/sound/knock.wav")).privFrames);
    std::string history = ReadFile(kit / "sound_assets/Auralith.hst");
    EXPECT_NE(std::string::npos, history.find("\"dev/only.wav\" 0 0 1 0 0\n"));
    EXPECT_NE(std::string::npos, history.find("\"both.wav\" 0 0 0 0 0\n"));
}

TEST_F(Conversion, MissingSourcesAndLongNamesAreRecorded)
{
    std::string fits(38, 'n');
    std::string tooLong(39, 'n');
    kit.WriteAliasFile("a.csv", "name,file\nmissing,missing.wav\nfits,dir/" + fits + ".wav\nlong,dir/" + tooLong +
                                    ".wav\n");
    kit.WriteSource("dir/" + fits + ".wav", PcmWave(22050, 1, 10));
    kit.WriteSource("dir/" + tooLong + ".wav", PcmWave(22050, 1, 10));
    kit.SetEncoderRules("fail AdpcmEncode.exe\n");

    KitRun run = kit.Run({});
    EXPECT_EQ(2, run.status);
    std::string errors = "\n---------------------------\n\tErrors\n---------------------------\n";
    EXPECT_EQ(NoHistory(kit) + NO_ORPHANS + errors + "ERROR: dir/" + tooLong + ".wav Filename too long.\n" +
                  Summary(3, 1, 0, 2),
              run.out);

    KitRun verbose = kit.Run({"-verbose", "-clean"});
    EXPECT_EQ(2, verbose.status);
    EXPECT_NE(std::string::npos,
              verbose.out.find("ERROR: missing file " + SourcePath(kit, "missing.wav", "devraw") + "\n"));
    EXPECT_NE(std::string::npos, verbose.out.find("\n\ntime spent encoding: 00h 00m 00s.\n"));
}

TEST_F(Conversion, EncoderChoicesAndTheirFailureRecords)
{
    kit.WriteAliasFile("a.csv", "name,file,type,loop,compression\n"
                                "s,streamwma.wav,streamed,,wma\n"
                                "l,loopwma.wav,loaded,looping,WMA\n"
                                "a,adpcm.wav,loaded,,ADPCM\n"
                                "w,long.wav,loaded,,\n"
                                "m,mono.wav,loaded,,\n");
    kit.WriteSource("streamwma.wav", PcmWave(22050, 1, 100));
    kit.WriteSource("loopwma.wav", PcmWave(22050, 1, 100000));
    kit.WriteSource("adpcm.wav", PcmWave(22050, 1, 100000));
    kit.WriteSource("long.wav", PcmWave(22050, 2, 2 * 88064 - 1)); // stereo needs twice the frames
    kit.WriteSource("mono.wav", PcmWave(22050, 1, 88063));
    kit.SetEncoderRules("fail AdpcmEncode.exe adpcm.wav\n");

    KitRun run = kit.Run({});
    EXPECT_EQ(6, run.status) << run.out; // two records for each of the three failures
    std::vector<std::string> launches;
    for (const std::string &line : kit.TakeEncoderLog())
        launches.push_back(Launch(line));
    std::vector<std::string> expected = {"AdpcmEncode.exe adpcm.wav", "AdpcmEncode.exe long.wav",
                                         "AdpcmEncode.exe mono.wav"};
    EXPECT_EQ(expected, launches);

    std::string source = ToolPath(SourcePath(kit, ""));
    std::string errors = "ERROR: during encoding " + source + "adpcm.wav Bad file format\n"
                         "ERROR: during encoding " + source + "loopwma.wav Bad file format\n"
                         "ERROR: during encoding " + source + "streamwma.wav Bad file format\n";
    EXPECT_NE(std::string::npos, run.out.find(errors)) << run.out;
    EXPECT_FALSE(FileExists(kit / "raw/sound/adpcm.wav"));
    EXPECT_TRUE(FileExists(kit / "raw/sound/long.wav"));
    // Failed files are left out of the history, so the next run tries them again.
    std::string history = ReadFile(kit / "sound_assets/Auralith.hst");
    EXPECT_EQ(std::string::npos, history.find("adpcm.wav"));
    EXPECT_EQ(std::string::npos, history.find("streamwma.wav"));
    EXPECT_NE(std::string::npos, history.find("\"long.wav\""));
}

TEST_F(Conversion, AutomaticCompressionFallsBackToPcmWhenEncodersFail)
{
    kit.WriteAliasFile("a.csv", "name,file\nw,long.wav\n");
    kit.WriteSource("long.wav", PcmWave(44100, 1, 90000));
    kit.SetEncoderRules("fail WMAEncode.exe\nfail AdpcmEncode.exe\n");
    KitRun run = kit.Run({});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_EQ(Summary(1, 2, 0), SummaryOf(run.out));
    TargetLayout layout = ReadTargetLayout(ReadFile(kit / "raw/sound/long.wav"));
    EXPECT_EQ(1u, layout.formatTag);
    EXPECT_EQ(90000u, layout.privFrames);
}

TEST_F(Conversion, ImagesAreCutAfterTheDataAndLoopingStreamsPadded)
{
    // 535528 mono frames make a target of exactly 1073152 bytes: not padded. One frame
    // more pads the target to three times 536576 bytes with its own first samples.
    kit.WriteAliasFile("a.csv", "name,file,type,loop,compression\n"
                                "exact,exact.wav,streamed,looping,pcm\n"
                                "over,over.wav,streamed,looping,pcm\n"
                                "still,still.wav,streamed,,pcm\n"
                                "trail,trail.wav,loaded,,\n");
    kit.WriteSource("exact.wav", PcmWave(22050, 1, 535528));
    kit.WriteSource("over.wav", PcmWave(22050, 1, 535529));
    kit.WriteSource("still.wav", PcmWave(22050, 1, 535529));
    kit.WriteSource("trail.wav", PcmWave(22050, 1, 1000));
    kit.SetEncoderRules("trailer AdpcmEncode.exe\n");
    ASSERT_EQ(0, kit.Run({}).status);

    EXPECT_EQ(1073152u, ReadFile(kit / "raw/sound/exact.wav").size());
    EXPECT_EQ(1073154u, ReadFile(kit / "raw/sound/still.wav").size());
    std::string over = ReadFile(kit / "raw/sound/over.wav");
    ASSERT_EQ(3u * 536576u, over.size());
    TargetLayout layout = ReadTargetLayout(over);
    EXPECT_EQ(1073154u - 8u, layout.riffSize);
    EXPECT_EQ(1071058u, layout.dataSize);
    EXPECT_EQ(over.substr(2096, over.size() - 1073154), over.substr(1073154));

    std::string trail = ReadFile(kit / "raw/sound/trail.wav");
    TargetLayout trailLayout = ReadTargetLayout(trail);
    EXPECT_EQ(trail.size(), trailLayout.dataEnd);
    EXPECT_EQ(std::string::npos, trail.find("INFOtrailing"));
    EXPECT_EQ(trail.size() - 8, trailLayout.riffSize);
}

TEST_F(Conversion, OrphansIgnoreCaseAndOtherExtensions)
{
    kit.WriteAliasFile("a.csv", "name,file\ndoor,door.wav\n");
    kit.WriteSource("door.wav", PcmWave(22050, 1, 10));
    WriteFile(kit / "RAW/Sound/Door.WAV", "stale");
    WriteFile(kit / "RAW/Sound/old.wav", "");
    WriteFile(kit / "RAW/Sound/readme.txt", "");
    WriteFile(kit / "devraw/english/sound/voiceovers/gone.wav", "");
    kit.SetEncoderRules("fail AdpcmEncode.exe\n");

    KitRun run = kit.Run({});
    EXPECT_EQ(0, run.status);
    std::string root = ToolPath(kit.root());
    EXPECT_EQ(NoHistory(kit) + NO_ORPHANS + "\n" + root + "\\devraw\\english\\sound\\voiceovers\\gone.wav\n" + root +
                  "\\raw\\sound\\old.wav" + Summary(1, 1, 2),
              run.out);
    // The existing spelling is kept; no second file or folder appears beside it.
    EXPECT_EQ((std::vector<std::string>{"Sound/Door.WAV", "Sound/old.wav", "Sound/readme.txt"}),
              ListTree(kit / "RAW"));
    EXPECT_EQ(1u, ReadTargetLayout(ReadFile(kit / "RAW/Sound/Door.WAV")).formatTag);
    EXPECT_TRUE(FileExists(kit / "RAW/english/sound"));
    std::vector<std::string> top = ListFolder(kit.root());
    EXPECT_EQ(top.end(), std::find(top.begin(), top.end(), "raw"));

    run = kit.Run({"-ignore_orphans"});
    EXPECT_EQ("\n\n---------------------------\nFILES: \t\t1\nUPDATED: \t0\n----------------------------", run.out);
}

TEST_F(Conversion, LocalizedFilesFollowTheLanguage)
{
    kit.WriteAliasFile("vo.csv", "name,file,type\ngreet,voiceovers/greet.wav,streamed\nshot,shot.wav,\n");
    WriteFile(kit / "sound_assets/raw/french/sound/voiceovers/greet.wav", PcmWave(22050, 1, 20));
    kit.WriteSource("shot.wav", PcmWave(22050, 1, 30));
    kit.SetEncoderRules("fail AdpcmEncode.exe\n");

    KitRun run = kit.Run({"-lang", "french"});
    EXPECT_EQ(0, run.status) << run.out;
    EXPECT_EQ(20u, ReadTargetLayout(ReadFile(kit / "raw/french/sound/voiceovers/greet.wav")).privFrames);
    EXPECT_NE(std::string::npos,
              ReadFile(kit / "sound_assets/Auralith.hst").find("\"french/voiceovers/greet.wav\" 0 1 0 0 0\n"));
    EXPECT_TRUE(FileExists(kit / "raw/french/sound"));
    EXPECT_TRUE(FileExists(kit / "devraw/french/sound"));

    run = kit.Run({"-lang", "french", "-skip-non-localized", "-clean"});
    EXPECT_EQ(Summary(2, 1, 0), SummaryOf(run.out));
    run = kit.Run({"-lang", "french", "-skip-localized", "-clean"});
    EXPECT_EQ(Summary(2, 1, 0), SummaryOf(run.out));
}
