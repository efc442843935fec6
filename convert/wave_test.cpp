// The wave layer on images composed in memory: header checks, the chunk walk over
// hostile sizes, the four frame-count rules, the PRIV insertion, and whole-file I/O.
#include "convert/wave.h"

#include "engine/common/byte_order.h"
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

// Offset of the chunk with this code as Riff_FindChunk sees it, or -1.
long FindOffset(const std::string &image, const char *code, size_t size)
{
    const unsigned char *chunk = Riff_FindChunk(ImageBytes(image), size, code);
    return chunk != nullptr ? long(chunk - ImageBytes(image)) : -1;
}

long FindOffset(const std::string &image, const char *code)
{
    return FindOffset(image, code, image.size());
}

void ExpectCleared(const WaveInfo &info)
{
    EXPECT_EQ(nullptr, info.format);
    EXPECT_EQ(0u, info.formatSize);
    EXPECT_EQ(nullptr, info.data);
    EXPECT_EQ(0u, info.dataSize);
    EXPECT_EQ(nullptr, info.seekTable);
    EXPECT_EQ(0u, info.seekCount);
    EXPECT_EQ(0u, info.frameCount);
}

void SetRiffSize(std::string *image, uint32_t size)
{
    image->replace(4, 4, LittleU32(size));
}

std::string XwmaImage(bool withSeekTable)
{
    std::vector<std::string> chunks = {
        RiffChunk("fmt ", WaveFormat(353, 2, 44100, 12000, 4459, 16))};
    if (withSeekTable)
        chunks.push_back(RiffChunk("dpds", LittleU32(8192) + LittleU32(16384) + LittleU32(65536)));
    chunks.push_back(RiffChunk("data", SampleBytes(9000)));
    return RiffImage("XWMA", chunks);
}
} // namespace

TEST(WavGetInfoTest, SummarisesPcmWave)
{
    std::string image = PcmWave(44100, 2, 1000);
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(ImageBytes(image) + 20, info.format);
    EXPECT_EQ(16u, info.formatSize);
    EXPECT_EQ(ImageBytes(image) + 44, info.data);
    EXPECT_EQ(4000u, info.dataSize);
    EXPECT_EQ(nullptr, info.seekTable);
    EXPECT_EQ(1000u, info.frameCount);
    EXPECT_EQ(1, Wav_FormatTag(info));
    EXPECT_EQ(2, Wav_ChannelCount(info));
    EXPECT_EQ(44100u, Wav_SampleRate(info));
}

TEST(WavGetInfoTest, RejectsBadHeaders)
{
    std::string good = PcmWave(22050, 1, 10);
    std::string notRiff = good;
    notRiff.replace(0, 4, "RIFX");
    std::string otherForm = good;
    otherForm.replace(8, 4, "AVI ");
    std::string headerOnly = RiffImage("WAVE", {});

    WaveInfo info;
    memset(&info, 0xAB, sizeof(info));
    EXPECT_FALSE(GetInfo(notRiff, &info));
    ExpectCleared(info);
    EXPECT_FALSE(GetInfo(otherForm, &info));
    EXPECT_FALSE(GetInfo(headerOnly, &info));
    EXPECT_FALSE(GetInfo(good.substr(0, 11), &info));
    EXPECT_FALSE(Wav_GetInfo(nullptr, 0, &info));
    EXPECT_EQ(-1, FindOffset(notRiff, "fmt "));
    EXPECT_EQ(-1, FindOffset(otherForm, "fmt "));
}

TEST(WavGetInfoTest, RiffSizeBeyondTheFileIsRejectedButStillWalked)
{
    std::string image = PcmWave(44100, 1, 100);
    SetRiffSize(&image, uint32_t(image.size() - 8 + 1));
    WaveInfo info;
    memset(&info, 0xAB, sizeof(info));
    EXPECT_FALSE(GetInfo(image, &info));
    ExpectCleared(info);
    EXPECT_EQ(36, FindOffset(image, "data"));

    SetRiffSize(&image, 0xFFFFFFFF);
    EXPECT_FALSE(GetInfo(image, &info));
    EXPECT_EQ(36, FindOffset(image, "data"));

    // A RIFF size below the file's is fine: the walk goes by the given size.
    SetRiffSize(&image, 4);
    EXPECT_TRUE(GetInfo(image, &info));
}

TEST(WavGetInfoTest, WindowsMediaAudioNeedsSeekTable)
{
    WaveInfo info;
    EXPECT_FALSE(GetInfo(XwmaImage(false), &info));

    std::string image = XwmaImage(true);
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(3u, info.seekCount);
    EXPECT_EQ(ImageBytes(image) + 44, info.seekTable);
    // Last entry 65536 bytes of 16-bit stereo: 16384 frames, whatever the data size.
    EXPECT_EQ(16384u, info.frameCount);

    std::string empty =
        RiffImage("XWMA", {RiffChunk("fmt ", WaveFormat(353, 2, 44100, 12000, 4459, 16)),
                           RiffChunk("dpds", ""), RiffChunk("data", "abcd")});
    EXPECT_FALSE(GetInfo(empty, &info));
}

TEST(WavGetInfoTest, OddDataSizeIsRoundedUp)
{
    std::string image =
        RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 8000, 8)), RiffChunk("data", "12345")});
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(6u, info.dataSize);
    EXPECT_EQ(6u, info.frameCount);

    // Without its pad byte the rounded chunk runs past the file.
    image.pop_back();
    SetRiffSize(&image, uint32_t(image.size() - 8));
    EXPECT_FALSE(GetInfo(image, &info));
}

TEST(WavGetInfoTest, DataEndsTheWalk)
{
    // A second format block and a chunk claiming 4 GiB behind the data are never read.
    std::string image = RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 44100)),
                                           RiffChunk("data", SampleBytes(200)),
                                           RiffChunk("fmt ", PcmFormat(6, 48000)),
                                           RiffChunkHeader("LIST", 0xFFFFFFFF, "xy")});
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(1, Wav_ChannelCount(info));
    EXPECT_EQ(100u, info.frameCount);
}

TEST(WavGetInfoTest, LaterFormatAndSeekTableOverwriteEarlierOnes)
{
    std::string image = RiffImage(
        "XWMA", {RiffChunk("fmt ", WaveFormat(353, 1, 22050, 8000, 2229, 16)),
                 RiffChunk("dpds", LittleU32(4)),
                 RiffChunk("fmt ", WaveFormat(353, 2, 44100, 12000, 4459, 16)),
                 RiffChunk("dpds", LittleU32(400) + LittleU32(800)), RiffChunk("data", "abcd")});
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(2, Wav_ChannelCount(info));
    EXPECT_EQ(2u, info.seekCount);
    EXPECT_EQ(200u, info.frameCount);
}

TEST(WavGetInfoTest, WalkFailsWhenAChunkRunsPastTheSize)
{
    WaveInfo info;
    std::string fmt = RiffChunk("fmt ", PcmFormat(1, 44100));
    // A chunk size that wraps 32-bit arithmetic back onto the next chunk.
    std::string wrapping =
        RiffImage("WAVE", {fmt, RiffChunkHeader("LIST", 0xFFFFFFFF), RiffChunk("data", "abcd")});
    EXPECT_FALSE(GetInfo(wrapping, &info));
    std::string wrappingEven =
        RiffImage("WAVE", {fmt, RiffChunkHeader("LIST", 0xFFFFFFF8), RiffChunk("data", "abcd")});
    EXPECT_FALSE(GetInfo(wrappingEven, &info));
    // Trailing bytes too few for a chunk header.
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {fmt, "abcd"}), &info));
    // The walk ends at the exact end without sample data.
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {fmt}), &info));
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {RiffChunk("data", "abcd")}), &info));
}

TEST(WavGetInfoTest, ShortFormatBlocksAreRejected)
{
    WaveInfo info;
    std::string data = RiffChunk("data", "abcd");
    std::string pcm = PcmFormat(1, 44100);
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", pcm.substr(0, 14)), data}), &info));
    // The pad byte of a 15-byte block is not part of it.
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", pcm.substr(0, 15)), data}), &info));
    std::string adpcm = AdpcmFormat(2, 44100, 512, 500);
    EXPECT_FALSE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", adpcm.substr(0, 18)), data}), &info));
    EXPECT_TRUE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", adpcm.substr(0, 20)), data}), &info));
}

TEST(WavGetInfoTest, AdpcmFramesCountWholeBlocks)
{
    // Ten stereo blocks of 512 bytes with 500 samples each, and a partial block.
    std::string image = RiffImage("WAVE", {RiffChunk("fmt ", AdpcmFormat(2, 44100, 512, 500)),
                                           RiffChunk("data", SampleBytes(5120 + 100))});
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    EXPECT_EQ(50u, info.formatSize);
    EXPECT_EQ(5000u, info.frameCount);

    std::string mono = RiffImage("WAVE", {RiffChunk("fmt ", AdpcmFormat(1, 22050, 256, 500)),
                                          RiffChunk("data", SampleBytes(256 * 3))});
    ASSERT_TRUE(GetInfo(mono, &info));
    EXPECT_EQ(1500u, info.frameCount);
}

TEST(WavGetInfoTest, OtherTagsCountFromTheAverageRate)
{
    WaveInfo info;
    std::string data = RiffChunk("data", SampleBytes(32000));
    ASSERT_TRUE(GetInfo(
        RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 44100, 0, 1, 0)), data}), &info));
    EXPECT_EQ(0u, info.frameCount);
    ASSERT_TRUE(GetInfo(
        RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 44100, 16000, 1, 0)), data}),
        &info));
    EXPECT_EQ(88200u, info.frameCount);
    // The product needs 64 bits; the count keeps its low 32.
    ASSERT_TRUE(
        GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(0x55, 2, 0xFFFFFFFFu, 3, 1, 0)),
                                   RiffChunk("data", "abcdef")}),
                &info));
    EXPECT_EQ(0xFFFFFFFEu, info.frameCount);
}

TEST(WavGetInfoTest, ZeroChannelsOrBitsGiveNoFrames)
{
    WaveInfo info;
    std::string data = RiffChunk("data", SampleBytes(400));
    EXPECT_TRUE(GetInfo(
        RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(1, 0, 44100, 0, 0, 16)), data}), &info));
    EXPECT_EQ(0u, info.frameCount);
    EXPECT_TRUE(GetInfo(
        RiffImage("WAVE", {RiffChunk("fmt ", WaveFormat(1, 2, 44100, 0, 0, 0)), data}), &info));
    EXPECT_EQ(0u, info.frameCount);
    std::string adpcm = AdpcmFormat(2, 44100, 512, 500);
    adpcm.replace(12, 2, LittleU16(0));
    EXPECT_TRUE(GetInfo(RiffImage("WAVE", {RiffChunk("fmt ", adpcm), data}), &info));
    EXPECT_EQ(0u, info.frameCount);
}

TEST(WavGetInfoTest, TruncatedImagesNeverReadOutOfBounds)
{
    std::vector<std::string> samples = {
        XwmaImage(true),
        RiffImage("WAVE", {RiffChunk("fmt ", AdpcmFormat(2, 44100, 512, 500)),
                           RiffChunk("LIST", "odd"), RiffChunk("data", SampleBytes(1031))}),
    };
    for (const std::string &full : samples)
    {
        for (size_t length = 0; length <= full.size(); ++length)
        {
            for (bool fixSize : {false, true})
            {
                // An exactly sized heap copy, so that a read past it is caught by the
                // address sanitizer.
                std::vector<unsigned char> image(full.begin(), full.begin() + long(length));
                if (fixSize && length >= 8)
                    Com_WriteU32(image.data() + 4, uint32_t(length - 8));
                WaveInfo info;
                bool accepted = Wav_GetInfo(image.data(), length, &info);
                EXPECT_EQ(length == full.size(), accepted) << length;
                for (const char *code : {"fmt ", "dpds", "data", "PRIV"})
                    Riff_FindChunk(image.data(), length, code);
                size_t newSize = 0;
                unsigned char payload[3] = {1, 2, 3};
                free(Riff_InsertPrivChunk(image.data(), length, payload, 3, &newSize));
            }
        }
    }
}

TEST(RiffFindChunkTest, FindsTheFirstChunkOfACode)
{
    std::string image =
        RiffImage("WAVE", {RiffChunk("JUNK", "xyz"), RiffChunk("fmt ", PcmFormat(1, 8000)),
                           RiffChunk("JUNK", "second"), RiffChunk("data", "ab")});
    EXPECT_EQ(12, FindOffset(image, "JUNK"));
    EXPECT_EQ(24, FindOffset(image, "fmt "));
    EXPECT_EQ(62, FindOffset(image, "data"));
    EXPECT_EQ(-1, FindOffset(image, "PRIV"));
    EXPECT_EQ(-1, FindOffset(image, "WAVE"));
}

TEST(RiffFindChunkTest, NeverWalksPastTheSize)
{
    // A huge chunk whose step would wrap 32-bit arithmetic onto the PRIV chunk behind it.
    std::string wrapping =
        RiffImage("WAVE", {RiffChunkHeader("LIST", 0xFFFFFFF8), RiffChunk("PRIV", "")});
    EXPECT_EQ(-1, FindOffset(wrapping, "PRIV"));

    // A header is read only when all 8 bytes of it lie within the size.
    std::string image =
        RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(1, 8000)), RiffChunk("PRIV", "")});
    EXPECT_EQ(36, FindOffset(image, "PRIV", image.size()));
    EXPECT_EQ(-1, FindOffset(image, "PRIV", image.size() - 1));
    EXPECT_EQ(-1, FindOffset(image, "fmt ", 19));
    EXPECT_EQ(12, FindOffset(image, "fmt ", 20));
}

TEST(RiffInsertPrivChunkTest, PrivEndsAtTheFixedOffset)
{
    for (size_t formatSize : {16u, 18u})
    {
        std::string format = PcmFormat(2, 32000).substr(0, 16) + std::string(formatSize - 16, '\0');
        std::string image =
            RiffImage("WAVE", {RiffChunk("fmt ", format), RiffChunk("data", SampleBytes(4000))});
        uint32_t insertAt = uint32_t(20 + formatSize);
        WaveInfo info;
        ASSERT_TRUE(GetInfo(image, &info));
        unsigned char block[PRIV_PAYLOAD_BLOCK];
        Wav_BuildPrivPayload(info, block);

        uint32_t payloadSize = 2080 - insertAt;
        size_t newSize = 0;
        unsigned char *out =
            Riff_InsertPrivChunk(ImageBytes(image), image.size(), block, payloadSize, &newSize);
        ASSERT_NE(nullptr, out);
        std::string result(reinterpret_cast<char *>(out), newSize);
        free(out);

        EXPECT_EQ(image.size() + 8 + payloadSize, newSize);
        EXPECT_EQ(newSize - 8, Com_ReadU32(ImageBytes(result) + 4));
        EXPECT_EQ(image.substr(8, insertAt - 8), result.substr(8, insertAt - 8));
        EXPECT_EQ("PRIV", result.substr(insertAt, 4));
        EXPECT_EQ(payloadSize, Com_ReadU32(ImageBytes(result) + insertAt + 4));
        EXPECT_EQ(std::string(reinterpret_cast<char *>(block), payloadSize),
                  result.substr(insertAt + 8, payloadSize));
        EXPECT_EQ(insertAt + 8 + payloadSize, PRIV_CHUNK_END);
        EXPECT_EQ(long(PRIV_CHUNK_END), FindOffset(result, "data"));
        EXPECT_EQ(image.substr(insertAt), result.substr(PRIV_CHUNK_END));
        EXPECT_EQ(SampleBytes(4000), result.substr(PRIV_SAMPLE_START));
        EXPECT_EQ(long(insertAt), FindOffset(result, "PRIV", PRIV_SAMPLE_START));

        WaveInfo after;
        ASSERT_TRUE(GetInfo(result, &after));
        EXPECT_EQ(info.frameCount, after.frameCount);
        EXPECT_EQ(ImageBytes(result) + PRIV_SAMPLE_START, after.data);
    }
}

TEST(RiffInsertPrivChunkTest, OddPayloadGetsAZeroPadByte)
{
    std::string image = PcmWave(8000, 1, 3);
    const unsigned char payload[5] = {'a', 'b', 'c', 'd', 'e'};
    size_t newSize = 0;
    unsigned char *out =
        Riff_InsertPrivChunk(ImageBytes(image), image.size(), payload, 5, &newSize);
    ASSERT_NE(nullptr, out);
    std::string result(reinterpret_cast<char *>(out), newSize);
    free(out);
    ASSERT_EQ(image.size() + 14, newSize);
    EXPECT_EQ(5u, Com_ReadU32(ImageBytes(result) + 40));
    EXPECT_EQ(std::string("abcde\0", 6), result.substr(44, 6));
    EXPECT_EQ(image.substr(36), result.substr(50));
    EXPECT_EQ(image.size() + 6, Com_ReadU32(ImageBytes(result) + 4));
    WaveInfo info;
    EXPECT_TRUE(GetInfo(result, &info));
}

TEST(RiffInsertPrivChunkTest, NeedsAFormatChunkWithinTheImage)
{
    const unsigned char payload[4] = {};
    size_t newSize = 99;
    std::string noFormat = RiffImage("WAVE", {RiffChunk("data", "abcd")});
    EXPECT_EQ(nullptr,
              Riff_InsertPrivChunk(ImageBytes(noFormat), noFormat.size(), payload, 4, &newSize));
    EXPECT_EQ(0u, newSize);
    std::string longFormat = RiffImage("WAVE", {RiffChunkHeader("fmt ", 40, PcmFormat(1, 8000))});
    EXPECT_EQ(nullptr, Riff_InsertPrivChunk(ImageBytes(longFormat), longFormat.size(), payload, 4,
                                            &newSize));
}

TEST(WavBuildPrivPayloadTest, WritesTheHeaderLittleEndian)
{
    std::string image = RiffImage(
        "WAVE", {RiffChunk("fmt ", PcmFormat(2, 44100)), RiffChunk("data", SampleBytes(4002))});
    WaveInfo info;
    ASSERT_TRUE(GetInfo(image, &info));
    unsigned char block[PRIV_PAYLOAD_BLOCK];
    memset(block, 0xEE, sizeof(block));
    Wav_BuildPrivPayload(info, block);
    std::string expected =
        "SNDS" + LittleU32(5) + LittleU32(44100) + LittleU32(2) + LittleU32(1000) + LittleU32(4002);
    EXPECT_EQ(expected, std::string(reinterpret_cast<char *>(block), 24));
    EXPECT_TRUE(std::all_of(block + 24, block + PRIV_PAYLOAD_BLOCK,
                            [](unsigned char b) { return b == 0; }));
}

TEST(WavWholeFileTest, ReadsTheWholeFile)
{
    ScopedDir dir;
    std::string bytes = PcmWave(44100, 2, 300);
    WriteFile(dir / "a.wav", bytes);
    int size = -1;
    unsigned char *buffer = Tool_ReadWholeFile((dir / "a.wav").c_str(), &size);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(int(bytes.size()), size);
    EXPECT_EQ(bytes, std::string(reinterpret_cast<char *>(buffer), size_t(size)));
    EXPECT_EQ(0, buffer[size]);
    free(buffer);

    WriteFile(dir / "empty.wav", "");
    buffer = Tool_ReadWholeFile((dir / "empty.wav").c_str(), &size);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(0, size);
    free(buffer);

    size = -1;
    EXPECT_EQ(nullptr, Tool_ReadWholeFile((dir / "missing.wav").c_str(), &size));
    EXPECT_EQ(0, size);
    EXPECT_EQ(nullptr, Tool_ReadWholeFile((dir / "missing.wav").c_str(), nullptr));
}

TEST(WavWholeFileTest, WriteReplacesTheTargetAndLeavesNoTemporary)
{
    ScopedDir dir;
    std::string target = dir / "out.wav";
    WriteFile(target, "an older and longer target file");
    std::string bytes = PcmWave(8000, 1, 5);
    ASSERT_TRUE(Tool_WriteWholeFile(target.c_str(), int(bytes.size()), ImageBytes(bytes)))
        << Plat_LastError();
    EXPECT_EQ(bytes, ReadFile(target));
    EXPECT_EQ(std::vector<std::string>{"out.wav"}, ListTree(dir.path()));

    ASSERT_TRUE(Tool_WriteWholeFile((dir / "new.wav").c_str(), 0, nullptr));
    EXPECT_TRUE(FileExists(dir / "new.wav"));
    EXPECT_EQ("", ReadFile(dir / "new.wav"));
}

TEST(WavWholeFileTest, FailedWriteLeavesNothingBehind)
{
    ScopedDir dir;
    std::string bytes = "data";
    EXPECT_FALSE(Tool_WriteWholeFile((dir / "missing/out.wav").c_str(), 4, ImageBytes(bytes)));
    EXPECT_EQ(uint32_t(PLAT_ERROR_PATH_NOT_FOUND), Plat_LastError());
    EXPECT_TRUE(ListTree(dir.path()).empty());
    EXPECT_FALSE(FileExists(dir / "missing"));

    // The rename over a folder fails after the temporary was written.
    WriteFile(dir / "out.wav/keep.txt", "kept");
    EXPECT_FALSE(Tool_WriteWholeFile((dir / "out.wav").c_str(), 4, ImageBytes(bytes)));
    EXPECT_EQ(std::vector<std::string>{"out.wav/keep.txt"}, ListTree(dir.path()));
    EXPECT_EQ("kept", ReadFile(dir / "out.wav/keep.txt"));
}
