// The 3D and PRIV checks: their exact lines on standard error, and that they only read.
#include "convert/checks.h"

#include "convert/wave.h"
#include "tests/support/riff_builder.h"
#include "tests/support/scoped_dir.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace
{
SoundFileEntry MakeEntry(bool spatialized)
{
    SoundFileEntry entry;
    memset(&entry, 0, sizeof(entry));
    strcpy(entry.aliasFile, "weapons.csv");
    strcpy(entry.name, "rifle_shot");
    strcpy(entry.file, "weapons/rifle.wav");
    entry.spatialized = spatialized;
    return entry;
}

std::string Check3D(bool spatialized, const std::string &source)
{
    SoundFileEntry entry = MakeEntry(spatialized);
    testing::internal::CaptureStderr();
    Tool_Check3D(&entry, source.c_str(), "unused", nullptr);
    return testing::internal::GetCapturedStderr();
}

std::string CheckPriv(const std::string &target)
{
    SoundFileEntry entry = MakeEntry(false);
    testing::internal::CaptureStderr();
    Tool_CheckPriv(&entry, "unused", target.c_str(), nullptr);
    return testing::internal::GetCapturedStderr();
}

// The image as the encoder leaves it: PRIV right after "fmt ", ending at 2088.
std::string ConvertedImage(const std::string &image)
{
    unsigned char block[PRIV_PAYLOAD_BLOCK];
    WaveInfo info;
    EXPECT_TRUE(Wav_GetInfo(ImageBytes(image), image.size(), &info));
    Wav_BuildPrivPayload(info, block);
    size_t newSize = 0;
    unsigned char *out =
        Riff_InsertPrivChunk(ImageBytes(image), image.size(), block, 2080 - 36, &newSize);
    std::string result(reinterpret_cast<char *>(out), newSize);
    free(out);
    return result;
}
} // namespace

TEST(Check3DTest, ReportsSpatializedSourcesWithMoreThanOneChannel)
{
    ScopedDir dir;
    WriteFile(dir / "stereo.wav", PcmWave(44100, 2, 100));
    WriteFile(dir / "surround.wav", PcmWave(48000, 6, 10));
    WriteFile(dir / "mono.wav", PcmWave(44100, 1, 100));
    EXPECT_EQ("ERROR: weapons.csv: rifle_shot (weapons/rifle.wav) -- 3D Sound with 2 channels\n",
              Check3D(true, dir / "stereo.wav"));
    EXPECT_EQ("ERROR: weapons.csv: rifle_shot (weapons/rifle.wav) -- 3D Sound with 6 channels\n",
              Check3D(true, dir / "surround.wav"));
    EXPECT_EQ("", Check3D(true, dir / "mono.wav"));
    EXPECT_EQ("", Check3D(false, dir / "stereo.wav"));
}

TEST(Check3DTest, ReportsUnreadableSpatializedSources)
{
    ScopedDir dir;
    WriteFile(dir / "text.wav", "this is no RIFF file at all");
    WriteFile(dir / "empty.wav", "");
    const std::string failed =
        "ERROR: weapons.csv: rifle_shot (weapons/rifle.wav) -- FAILED READING\n";
    EXPECT_EQ(failed, Check3D(true, dir / "text.wav"));
    EXPECT_EQ(failed, Check3D(true, dir / "empty.wav"));
    EXPECT_EQ(failed, Check3D(true, dir / "missing.wav"));
    EXPECT_FALSE(FileExists(dir / "missing.wav"));
    // Not spatialized: not even opened.
    EXPECT_EQ("", Check3D(false, dir / "text.wav"));
    EXPECT_EQ("", Check3D(false, dir / "missing.wav"));
}

TEST(CheckPrivTest, ConvertedTargetPasses)
{
    ScopedDir dir;
    std::string converted = ConvertedImage(PcmWave(44100, 2, 5000));
    WriteFile(dir / "good.wav", converted);
    EXPECT_EQ("", CheckPriv(dir / "good.wav"));
    EXPECT_EQ(converted, ReadFile(dir / "good.wav"));

    // A converted file shorter than the fixed header is searched whole.
    WriteFile(dir / "short.wav",
              RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 8000)), RiffChunk("PRIV", "x"),
                                 RiffChunk("data", "ab")}));
    EXPECT_EQ("", CheckPriv(dir / "short.wav"));
}

TEST(CheckPrivTest, PrivBehindTheHeaderIsReported)
{
    ScopedDir dir;
    std::string priv = RiffChunk("PRIV", std::string(24, 'p'));
    WriteFile(dir / "late.wav", RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(2, 44100)),
                                                   RiffChunk("data", SampleBytes(8000)), priv}));
    EXPECT_EQ("ERROR: PRIV chunk found, but not in the header in " + dir / "late.wav" + "\n",
              CheckPriv(dir / "late.wav"));

    // The last place a chunk header fits within the header's 2096 bytes is 2088.
    std::string fmt = RiffChunk("fmt ", PcmFormat(1, 8000));
    WriteFile(dir / "edge.wav",
              RiffImage("WAVE", {fmt, RiffChunk("JUNK", std::string(2088 - 44, 'j')), priv,
                                 RiffChunk("data", "ab")}));
    EXPECT_EQ("", CheckPriv(dir / "edge.wav"));
    WriteFile(dir / "past.wav",
              RiffImage("WAVE", {fmt, RiffChunk("JUNK", std::string(2096 - 44, 'j')), priv,
                                 RiffChunk("data", "ab")}));
    EXPECT_EQ("ERROR: PRIV chunk found, but not in the header in " + dir / "past.wav" + "\n",
              CheckPriv(dir / "past.wav"));
}

TEST(CheckPrivTest, MissingPrivIsReported)
{
    ScopedDir dir;
    WriteFile(dir / "plain.wav", PcmWave(22050, 1, 100));
    WriteFile(dir / "text.wav", "PRIV is not a chunk of a text file");
    EXPECT_EQ("ERROR: No PRIV chunk in " + dir / "plain.wav" + "\n", CheckPriv(dir / "plain.wav"));
    EXPECT_EQ("ERROR: No PRIV chunk in " + dir / "text.wav" + "\n", CheckPriv(dir / "text.wav"));
}

TEST(CheckPrivTest, MissingTargetIsNotCreated)
{
    ScopedDir dir;
    std::string target = dir / "raw/sound/never.wav";
    EXPECT_EQ("ERROR: Failed reading " + target + "\n", CheckPriv(target));
    EXPECT_TRUE(ListTree(dir.path()).empty());
    EXPECT_FALSE(FileExists(dir / "raw"));
}
