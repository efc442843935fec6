// The wave reader and 16-bit wave writer shared by the three encoder programs.
#pragma once

#include "encoders/riff_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

// A decoded wave: interleaved samples scaled to [-1, 1), frame after frame.
struct EncWave
{
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    std::vector<float> samples; // frames * channels values

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// Decodes a RIFF "WAVE" image holding PCM (8-bit unsigned, 16, 24 or 32-bit signed),
// IEEE float (32 or 64-bit) or either of them behind WAVE_FORMAT_EXTENSIBLE. Chunks may
// come in any order; a data chunk that claims more bytes than the image holds is cut to
// the whole frames present. Answers false with a one-line reason in error for anything
// else (not RIFF, no fmt or data chunk, another format tag, zero channels or rate, more
// than 256 channels).
bool Enc_ParseWave(const EncBytes &image, EncWave &wave, std::string &error);

// Reads the file at path (already in native spelling) and decodes it as Enc_ParseWave
// does. Answers false with the reason in error when the file cannot be read or decoded.
bool Enc_ReadWaveFile(const std::string &path, EncWave &wave, std::string &error);

// A decoded wave as 16-bit samples, interleaved, frame after frame.
struct EncWave16
{
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    std::vector<int16_t> samples;
};

// Enc_ParseWave and Enc_ReadWaveFile with the samples as Enc_ToPcm16 gives them, taken
// straight from 16-bit input. Same failures.
bool Enc_ParseWave16(const EncBytes &image, EncWave16 &wave, std::string &error);
bool Enc_ReadWaveFile16(const std::string &path, EncWave16 &wave, std::string &error);

// Converts samples to 16-bit integers: scaled by 32768, rounded to nearest, clipped.
// 16-bit input read by Enc_ParseWave comes back bit-exact.
std::vector<int16_t> Enc_ToPcm16(const std::vector<float> &samples);

// Builds a RIFF "WAVE" image: a 16-byte fmt chunk of tag 1 (PCM, 16 bits) and a data chunk
// holding pcm (interleaved, frames * channels values).
EncBytes Enc_BuildPcm16Wave(uint32_t sampleRate, uint16_t channels,
                            const std::vector<int16_t> &pcm);
