// End-to-end: "-jobs" converts several sound files at once and changes nothing a run
// shows: output, log, history, targets and exit status equal those of one job at a time,
// whatever order the programs end in.
#include "tests/support/riff_builder.h"
#include "tests/support/test_kit.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// Everything a run leaves that must not depend on the number of jobs.
struct Outcome
{
    int status;
    std::string out, log, history;
    std::map<std::string, std::string> targets;
};

// The output without the timing lines, which measure the run, and with the kit's folder
// (each kit has its own) as KIT.
std::string Comparable(const std::string &text, const TestKit &kit)
{
    std::istringstream in(text);
    std::string kept;
    for (std::string line; std::getline(in, line);)
    {
        if (line.rfind("time spent", 0) == 0)
            continue;
        for (const std::string &root : {kit.root(), ToolPath(kit.root())})
            for (size_t at; (at = line.find(root)) != std::string::npos;)
                line.replace(at, root.size(), "KIT");
        kept += line + "\n";
    }
    return kept;
}

Outcome Convert(const std::vector<std::string> &args)
{
    TestKit kit;
    const std::string slow = PcmWave(48000, 2, 20000);
    kit.WriteSounds("a.csv", "name,file,type,compression",
                    {
                        {"slow,a/slow.wav,,adpcm", slow}, // the resampler fails, late
                        {"gone,b/missing.wav,,", ""},     // no source
                        {"wma,c/tone.wav,,", PcmWave(44100, 1, 100000)}, // WMA
                        {"plain,d/plain.wav,,pcm", PcmWave(22050, 1, 3000)},
                        {"broken,e/broken.wav,,", "not a wave"},          // not a RIFF image
                        {"nosox,f/nosox.wav,,", PcmWave(96000, 1, 9000)}, // the resampler fails
                        {"door,g/door.wav,,", ""}, // door.pc.wav takes its place
                        {"doorpc,g/door.pc.wav,,", PcmWave(32000, 1, 4000)}, // the same target
                        {"adpcm,h/short.wav,,", PcmWave(32000, 1, 30000)},
                        {"music,m/music.wav,streamed,", PcmWave(44100, 2, 50000)},
                        {"loop,m/loop.wav,streamed,", PcmWave(22050, 1, 7000)},
                    });
    kit.WriteSource("g/door.wav", PcmWave(32000, 1, 100));
    // The first sound's programs are slow, so later sounds finish first with jobs.
    kit.SetEncoderRules("sleep 300 slow\nfail sox.exe slow\nfail sox.exe nosox\n");
    KitRun run = kit.Run(args);
    Outcome outcome{run.status,
                    Comparable(run.out, kit),
                    Comparable(run.log, kit),
                    ReadFile(kit / "sound_assets/Auralith.hst"),
                    {}};
    for (const std::string &file : ListTree(kit / "raw"))
        outcome.targets[file] = ReadFile(kit / ("raw/" + file));
    EXPECT_FALSE(FileExists(kit / "sound_assets/tempEncodings"));
    return outcome;
}
} // namespace

TEST(ParallelConversion, AnyNumberOfJobsGivesTheRunOfOneJob)
{
    Outcome one = Convert({"-verbose"});
    EXPECT_EQ(6, one.status) << one.out;
    EXPECT_EQ(6u, one.targets.size());
    for (const char *jobs : {"1", "3", "0"})
    {
        SCOPED_TRACE(std::string("-jobs ") + jobs);
        Outcome many = Convert({"-verbose", "-jobs", jobs});
        EXPECT_EQ(one.status, many.status);
        EXPECT_EQ(one.out, many.out);
        EXPECT_EQ(one.log, many.log);
        EXPECT_EQ(one.history, many.history);
        EXPECT_TRUE(one.targets == many.targets);
    }
}
