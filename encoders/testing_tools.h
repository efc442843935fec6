// Tools of the encoder tests: running the programs, independent decoders
// (ffmpeg as a child process, libsndfile), a plain RIFF chunk view and signal measures.
#pragma once

#include "encoders/testing_signals.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The built programs under test.
extern const char *const kSoxProgram;
extern const char *const kAdpcmProgram;
extern const char *const kWmaProgram;

// Runs argv[0] (a path, or a name looked up in PATH) with the rest of argv, without a shell,
// standard input empty, and waits for it.
ProcessResult Test_Run(const std::vector<std::string> &argv);

// The whole file as bytes, empty when it cannot be read.
std::vector<unsigned char> Test_ReadBytes(const std::string &path);

struct TestDecoded
{
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Decodes path with the ffmpeg program to 16-bit samples (-f s16le), with rate and channels
// from ffprobe. Answers false with ffmpeg's complaint in why.
bool Test_DecodeFfmpeg(const std::string &path, TestDecoded &decoded, std::string &why);

// The stream length in frames that ffprobe reports (duration_ts of the first audio stream),
// or -1.
long long Test_ProbeFrames(const std::string &path);

// Decodes path with libsndfile to 16-bit samples; the frame count is libsndfile's.
bool Test_DecodeSndfile(const std::string &path, TestDecoded &decoded, std::string &why);

// Reads path with libsndfile as floats in [-1, 1): what a wave file holds, independently of
// the programs' own reader. Answers false when libsndfile cannot read it.
bool Test_ReadSndfileFloat(const std::string &path, TestSignal &signal);

// The top-level chunks of a RIFF image, as written, without interpretation.
struct TestRiff
{
    std::string form;                                         // "WAVE", "XWMA"
    std::vector<std::string> order;                           // chunk codes in file order
    std::map<std::string, std::vector<unsigned char>> chunks; // first payload of each code
    bool wellFormed = false; // "RIFF", size field = length - 8, chunks fill the image exactly
};
TestRiff Test_ParseRiff(const std::vector<unsigned char> &image);

uint16_t Test_U16(const std::vector<unsigned char> &bytes, size_t at);
uint32_t Test_U32(const std::vector<unsigned char> &bytes, size_t at);

// The frame count the kit tool's wave summary gives a converted file: from the data size
// for PCM (tag 1) and Microsoft ADPCM (tag 2, whole blocks), from the last dpds entry for
// Windows Media Audio (tag 353). -1 when the image lacks what the rule needs.
long long Test_ToolFrameCount(const TestRiff &riff);

// Signal-to-noise ratio in dB of decoded against reference over reference frames
// [from, from + count), both interleaved with the same channel count: reference frame f is
// compared with decoded frame f + shift (missing decoded frames count as silence).
double Test_SnrDb(const std::vector<float> &reference, const std::vector<int16_t> &decoded,
                  int channels, size_t from, size_t count, long shift = 0);

// The shift in [-range, range] for which decoded frame f + shift best matches reference
// frame f (largest correlation) over reference frames [from, from + count) of channel 0.
long Test_BestShift(const std::vector<float> &reference, const std::vector<int16_t> &decoded,
                    int channels, size_t from, size_t count, long range);

// Root-mean-square level in dB relative to full scale of decoded frames [from, end).
double Test_LevelDb(const std::vector<int16_t> &decoded, int channels, size_t from, size_t end);
