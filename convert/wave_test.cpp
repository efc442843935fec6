// The wave layer on images composed in memory: header checks, the chunk walk over
// hostile sizes, the four frame-count rules, the PRIV insertion, and whole-file I/O.
// That no image makes a read leave its bytes is the fuzz target's (fuzz/fuzz_wave.cpp).
#include "convert/wave.h"

#include "platform/errors.h"
#include "tests/support/riff_builder.h"
#include "tests/support/scoped_dir.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
bool GetInfo(const std::string &image, WaveInfo *info)
{
    return Wav_GetInfo(ImageBytes(image), image.size(), info);
}

// Offset of the chunk with this code as Riff_FindChunk sees it within size, or -1.
long FindOffset(const std::string &image, const char *code, size_t size = std::string::npos)
{
    const unsigned char *chunk =
        Riff_FindChunk(ImageBytes(image), std::min(size, image.size()), code);
    return chunk != nullptr ? long(chunk - ImageBytes(image)) : -1;
}

std::string WithRiffSize(std::string image, uint32_t size)
{
    return image.replace(4, 4, LittleU32(size));
}

std::string InsertPriv(const std::string &image, const unsigned char *payload, uint32_t size)
{
    size_t newSize = 0;
    unsigned char *out =
        Riff_InsertPrivChunk(ImageBytes(image), image.size(), payload, size, &newSize);
    EXPECT_NE(nullptr, out);
    std::string result(reinterpret_cast<char *>(out), newSize);
    free(out);
    return result;
}

const std::string XWMA_FORMAT = RiffChunk("fmt ", WaveFormat(353, 2, 44100, 12000, 4459, 16));
} // namespace

TEST(WavGetInfoTest, RejectsMalformedImagesAndClearsTheSummary)
{
    const std::string good = PcmWave(44100, 1, 100);
    const std::string fmt = RiffChunk("fmt ", PcmFormat(1, 44100));
    const std::string data = RiffChunk("data", "abcd");
    const std::string pcm = PcmFormat(1, 44100), adpcm = AdpcmFormat(2, 44100, 512, 500);
    std::string unpadded =
        RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 8000, 8)), RiffChunk("data", "12345")});
    unpadded.pop_back(); // the data chunk rounded up to even runs past the file
    const std::pair<const char *, std::string> cases[] = {
        {"RIFX", std::string(good).replace(0, 4, "RIFX")},
        {"other form", std::string(good).replace(8, 4, "AVI ")},
        {"header only", RiffImage("WAVE", {})},
        {"cut header", good.substr(0, 11)},
        {"RIFF size one past the file", WithRiffSize(good, uint32_t(good.size() - 8 + 1))},
        {"RIFF size of 4 GiB", WithRiffSize(good, 0xFFFFFFFF)},
        {"no pad byte", WithRiffSize(unpadded, uint32_t(unpadded.size() - 8))},
        // Chunk sizes that wrap 32-bit arithmetic back onto the next chunk.
        {"wrapping size", RiffImage("WAVE", {fmt, RiffChunkHeader("LIST", 0xFFFFFFFF), data})},
        {"wrapping even size", RiffImage("WAVE", {fmt, RiffChunkHeader("LIST", 0xFFFFFFF8), data})},
        {"trailing bytes", RiffImage("WAVE", {fmt, "abcd"})},
        {"no data", RiffImage("WAVE", {fmt})},
        {"no format", RiffImage("WAVE", {data})},
        {"14-byte format", RiffImage("WAVE", {RiffChunk("fmt ", pcm.substr(0, 14)), data})},
        // The pad byte of a 15-byte block is not part of it.
        {"15-byte format", RiffImage("WAVE", {RiffChunk("fmt ", pcm.substr(0, 15)), data})},
        {"short ADPCM format", RiffImage("WAVE", {RiffChunk("fmt ", adpcm.substr(0, 18)), data})},
        {"XWMA without seek table", RiffImage("XWMA", {XWMA_FORMAT, data})},
        {"empty seek table", RiffImage("XWMA", {XWMA_FORMAT, RiffChunk("dpds", ""), data})},
    };
    for (const auto &[what, image] : cases)
    {
        WaveInfo info;
        memset(&info, 0xAB, sizeof(info));
        EXPECT_FALSE(GetInfo(image, &info)) << what;
        EXPECT_TRUE(info.format == nullptr && info.formatSize == 0 && info.data == nullptr &&
                    info.dataSize == 0 && info.seekTable == nullptr && info.seekCount == 0 &&
                    info.frameCount == 0)
            << what;
    }
    WaveInfo info;
    EXPECT_FALSE(Wav_GetInfo(nullptr, 0, &info));
    EXPECT_TRUE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", adpcm.substr(0, 20)), data}), &info));
    // A RIFF size below the file's is fine: the walk goes by the given size.
    EXPECT_TRUE(GetInfo(WithRiffSize(good, 4), &info));
    // The walk still finds chunks behind a RIFF size that claims too much.
    EXPECT_EQ(36, FindOffset(WithRiffSize(good, 0xFFFFFFFF), "data"));
}

TEST(WavGetInfoTest, FrameCountRulesAndTheWalkEndingAtTheData)
{
    std::string data = RiffChunk("data", SampleBytes(32000));
    std::string zeroChannelAdpcm = AdpcmFormat(2, 44100, 512, 500);
    zeroChannelAdpcm.replace(12, 2, LittleU16(0));
    const std::pair<std::string, uint32_t> cases[] = {
        // PCM, odd data size rounded up.
        {RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 8000, 8)), RiffChunk("data", "12345")}),
         6},
        // A second format block and a chunk claiming 4 GiB behind the data are never read.
        {RiffImage("WAVE",
                   {RiffChunk("fmt ", PcmFormat(1, 44100)), RiffChunk("data", SampleBytes(200)),
                    RiffChunk("fmt ", PcmFormat(6, 48000)),
                    RiffChunkHeader("LIST", 0xFFFFFFFF, "xy")}),
         100},
        // XWMA: the later format and seek table overwrite the earlier ones.
        {RiffImage("XWMA",
                   {RiffChunk("fmt ", WaveFormat(353, 1, 22050, 8000, 2229, 16)),
                    RiffChunk("dpds", LittleU32(4)), XWMA_FORMAT,
                    RiffChunk("dpds", LittleU32(400) + LittleU32(800)), RiffChunk("data", "abcd")}),
         200},
        // ADPCM counts whole blocks: ten stereo blocks of 500 samples and a partial one.
        {RiffImage("WAVE", {RiffChunk("fmt ", AdpcmFormat(2, 44100, 512, 500)),
                            RiffChunk("data", SampleBytes(5120 + 100))}),
         5000},
        {RiffImage("WAVE", {RiffChunk("fmt ", zeroChannelAdpcm), data}), 0},
        // Other tags count from the average rate; the product needs 64 bits.
        {RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 44100, 16000, 1, 0)), data}),
         88200},
        {RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 44100, 0, 1, 0)), data}), 0},
        {RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 0xFFFFFFFFu, 3, 1, 0)),
                            RiffChunk("data", "abcdef")}),
         0xFFFFFFFEu},
        {RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(1, 0, 44100, 0, 0, 16)), data}), 0},
        {RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(1, 2, 44100, 0, 0, 0)), data}), 0},
    };
    for (const auto &[image, frames] : cases)
    {
        WaveInfo info;
        ASSERT_TRUE(GetInfo(image, &info)) << frames;
        EXPECT_EQ(frames, info.frameCount);
    }
}

TEST(RiffFindChunkTest, FindsTheFirstChunkOfACodeWithinTheSize)
{
    std::string image =
        RiffImage("WAVE", {RiffChunk("JUNK", "xyz"), RiffChunk("fmt ", PcmFormat(1, 8000)),
                           RiffChunk("JUNK", "second"), RiffChunk("PRIV", "")});
    EXPECT_EQ(12, FindOffset(image, "JUNK"));
    EXPECT_EQ(24, FindOffset(image, "fmt "));
    EXPECT_EQ(-1, FindOffset(image, "WAVE"));
    // A header is read only when all 8 bytes of it lie within the size.
    EXPECT_EQ(62, FindOffset(image, "PRIV"));
    EXPECT_EQ(-1, FindOffset(image, "PRIV", image.size() - 1));
    EXPECT_EQ(-1, FindOffset(image, "fmt ", 31));
    EXPECT_EQ(24, FindOffset(image, "fmt ", 32));
    EXPECT_EQ(-1, FindOffset(std::string(image).replace(8, 4, "AVI "), "fmt "));
    // A huge chunk whose step would wrap 32-bit arithmetic onto the PRIV chunk behind it.
    EXPECT_EQ(-1, FindOffset(RiffImage("WAVE", {RiffChunkHeader("LIST", 0xFFFFFFF8),
                                                RiffChunk("PRIV", "")}),
                             "PRIV"));
}

// Where the tool puts the PRIV chunk (right after "fmt ", ending at 2088 with the data
// behind it) and what its header holds is checked end to end (conversion_test).
TEST(RiffInsertPrivChunkTest, OddPayloadIsPaddedAndAFormatChunkIsNeeded)
{
    std::string image = PcmWave(8000, 1, 3);
    const unsigned char payload[5] = {'a', 'b', 'c', 'd', 'e'};
    std::string result = InsertPriv(image, payload, 5);
    EXPECT_EQ(image.substr(0, 4) + LittleU32(uint32_t(image.size() + 6)) + image.substr(8, 28) +
                  "PRIV" + LittleU32(5) + std::string("abcde\0", 6) + image.substr(36),
              result);

    size_t newSize = 99;
    for (const std::string &bad :
         {RiffImage("WAVE", {RiffChunk("data", "abcd")}),
          RiffImage("WAVE", {RiffChunkHeader("fmt ", 40, PcmFormat(1, 8000))})})
    {
        EXPECT_EQ(nullptr, Riff_InsertPrivChunk(ImageBytes(bad), bad.size(), payload, 4, &newSize));
        EXPECT_EQ(0u, newSize);
    }
}

TEST(WavWholeFileTest, ReadsTerminatedAndWritesReplacingTheTargetAndLeavingNothingElse)
{
    ScopedDir dir;
    std::string bytes = PcmWave(44100, 2, 300);
    WriteFile(dir / "a.wav", bytes);
    WriteFile(dir / "empty.wav", "");
    for (const std::string &content : {bytes, std::string()})
    {
        int size = -1;
        unsigned char *buffer =
            Tool_ReadWholeFile((dir / (content.empty() ? "empty.wav" : "a.wav")).c_str(), &size);
        ASSERT_NE(nullptr, buffer);
        EXPECT_EQ(content, std::string(reinterpret_cast<char *>(buffer), size_t(size)));
        EXPECT_EQ(0, buffer[size]);
        free(buffer);
    }
    int size = -1;
    EXPECT_EQ(nullptr, Tool_ReadWholeFile((dir / "missing.wav").c_str(), &size));
    EXPECT_EQ(0, size);
    EXPECT_EQ(nullptr, Tool_ReadWholeFile((dir / "missing.wav").c_str(), nullptr));

    ScopedDir out; // the writes
    std::string target = out / "out.wav";
    WriteFile(target, "an older and longer target file");
    ASSERT_TRUE(Tool_WriteWholeFile(target.c_str(), int(bytes.size()), ImageBytes(bytes)))
        << Plat_LastError();
    EXPECT_EQ(bytes, ReadFile(target));
    ASSERT_TRUE(Tool_WriteWholeFile((out / "new.wav").c_str(), 0, nullptr));
    EXPECT_EQ((std::vector<std::string>{"new.wav", "out.wav"}), ListTree(out.path()));

    EXPECT_FALSE(Tool_WriteWholeFile((out / "missing/out.wav").c_str(), 4, ImageBytes(bytes)));
    EXPECT_EQ(uint32_t(PLAT_ERROR_PATH_NOT_FOUND), Plat_LastError());
    EXPECT_FALSE(FileExists(out / "missing"));
    // The rename over a folder fails after the temporary was written.
    WriteFile(out / "folder.wav/keep.txt", "kept");
    EXPECT_FALSE(Tool_WriteWholeFile((out / "folder.wav").c_str(), 4, ImageBytes(bytes)));
    EXPECT_EQ((std::vector<std::string>{"folder.wav/keep.txt", "new.wav", "out.wav"}),
              ListTree(out.path()));
}
