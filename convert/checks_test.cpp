// The 3D and PRIV checks: their exact lines on standard error, and that they only read.
#include "convert/checks.h"

#include "tests/support/riff_builder.h"
#include "tests/support/scoped_dir.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace
{
// What a check prints on standard error for an entry of weapons.csv: the 3D check of the
// source when no target is given, else the PRIV check of the target.
std::string Check(bool spatialized, const std::string &source, const std::string &target)
{
    SoundFileEntry entry;
    memset(&entry, 0, sizeof(entry));
    strcpy(entry.aliasFile, "weapons.csv");
    strcpy(entry.name, "rifle_shot");
    strcpy(entry.file, "weapons/rifle.wav");
    entry.spatialized = spatialized;
    testing::internal::CaptureStderr();
    if (target.empty())
        Tool_Check3D(&entry, source.c_str(), "unused", nullptr);
    else
        Tool_CheckPriv(&entry, "unused", target.c_str(), nullptr);
    return testing::internal::GetCapturedStderr();
}
} // namespace

// Which spatialized sources have too many channels, with the line that says so, is checked
// end to end (side_actions_test); here unreadable ones, and that other sources are not read.
TEST(Checks, SpatializedSourcesThatCannotBeReadAndPrivChunksOutsideTheHeader)
{
    ScopedDir dir;
    WriteFile(dir / "text.wav", "PRIV is not a chunk of a text file");
    WriteFile(dir / "empty.wav", "");
    const std::string line = "ERROR: weapons.csv: rifle_shot (weapons/rifle.wav) -- ";
    const std::pair<const char *, std::string> cases[] = {
        {"text.wav", line + "FAILED READING\n"},
        {"empty.wav", line + "FAILED READING\n"},
        {"missing.wav", line + "FAILED READING\n"},
    };
    for (const auto &[file, expected] : cases)
    {
        EXPECT_EQ(expected, Check(true, dir / file, "")) << file;
        // Not spatialized: not even opened.
        EXPECT_EQ("", Check(false, dir / file, "")) << file;
    }
    EXPECT_EQ(2u, ListTree(dir.path()).size());

    // PRIV chunks: converted files, plain waves and missing targets are checked end to end
    // (side_actions_test).
    std::string fmt = RiffChunk("fmt ", PcmFormat(1, 8000));
    std::string priv = RiffChunk("PRIV", std::string(24, 'p'));
    std::string data = RiffChunk("data", "ab");
    // A converted file shorter than the fixed header is searched whole.
    WriteFile(dir / "short.wav", RiffImage("WAVE", {fmt, priv, data}));
    WriteFile(dir / "late.wav",
              RiffImage("WAVE", {fmt, RiffChunk("data", SampleBytes(8000)), priv}));
    // The last place a chunk header fits within the header's 2096 bytes is 2088.
    WriteFile(dir / "edge.wav",
              RiffImage("WAVE", {fmt, RiffChunk("JUNK", std::string(2088 - 44, 'j')), priv, data}));
    WriteFile(dir / "past.wav",
              RiffImage("WAVE", {fmt, RiffChunk("JUNK", std::string(2096 - 44, 'j')), priv, data}));
    const std::string late = "ERROR: PRIV chunk found, but not in the header in ";
    const std::pair<const char *, std::string> privCases[] = {
        {"short.wav", ""},
        {"edge.wav", ""},
        {"late.wav", late},
        {"past.wav", late},
        {"text.wav", "ERROR: No PRIV chunk in "},
    };
    std::string before = ReadFile(dir / "edge.wav");
    for (const auto &[file, error] : privCases)
        EXPECT_EQ(error.empty() ? "" : error + (dir / file) + "\n", Check(false, "", dir / file));
    EXPECT_EQ(before, ReadFile(dir / "edge.wav"));
}
