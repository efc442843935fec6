// Tools of the encoder tests: running the programs, independent decoders
// (ffmpeg as a child process, libsndfile) and signal measures.
#pragma once

#include "encoders/testing_signals.h"
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <cstdint>
#include <string>
#include <vector>

// The built programs under test.
extern const char *const kSoxProgram;
extern const char *const kAdpcmProgram;
extern const char *const kWmaProgram;

// Runs argv[0] (a path, or a name looked up in PATH) with the rest of argv, without a shell,
// standard input empty, and waits for it.
ProcessResult Test_Run(const std::vector<std::string> &argv);

struct TestDecoded
{
    int channels = 0;
    std::vector<int16_t> samples; // interleaved

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Decodes path with the ffmpeg program to 16-bit samples (-f s16le) of the given channel
// count. Answers false with ffmpeg's complaint in why.
bool Test_DecodeFfmpeg(const std::string &path, int channels, TestDecoded &decoded,
                       std::string &why);

// What ffprobe reads of the first audio stream, "codec,rate,channels,length in frames\n",
// or its complaint.
std::string Test_Probe(const std::string &path);

// Decodes path with libsndfile to 16-bit samples; the frame count is libsndfile's.
bool Test_DecodeSndfile(const std::string &path, TestDecoded &decoded, std::string &why);

// Signal-to-noise ratio in dB of decoded against reference over reference frames
// [from, from + count), both interleaved with the same channel count: reference frame f is
// compared with decoded frame f + shift (missing decoded frames count as silence).
double Test_SnrDb(const std::vector<float> &reference, const std::vector<int16_t> &decoded,
                  int channels, size_t from, size_t count, long shift = 0);

// Root-mean-square level in dB relative to full scale of decoded frames [from, end).
double Test_LevelDb(const std::vector<int16_t> &decoded, int channels, size_t from, size_t end);
