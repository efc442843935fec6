// The Microsoft ADPCM encoder behind AdpcmEncode.exe: block coding and the RIFF image.
#pragma once

#include "encoders/riff_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

// Frames coded in one block of blockAlign bytes: (blockAlign - 7 * channels) * 8 /
// (4 * channels) + 2. Answers 0 when the block has no room for a sample byte after its
// header (blockAlign <= 7 * channels), when channels is 0, or when the count exceeds 65535.
uint32_t Enc_AdpcmSamplesPerBlock(uint32_t blockAlign, uint32_t channels);

// Encodes interleaved 16-bit pcm (frames * channels values, channels 1 or 2) into
// consecutive blocks of blockAlign bytes, which must give a non-zero
// Enc_AdpcmSamplesPerBlock. Each channel of each block is coded with every one of the seven
// standard coefficient pairs, each from a starting step sized to the residual of the first
// samples, and keeps the pair that reconstructs it with the least squared error. A last
// partial block is filled by repeating the last frame. Gives no bytes for no frames. The
// same input gives the same bytes on every processor.
EncBytes Enc_AdpcmEncodeBlocks(const std::vector<int16_t> &pcm, uint16_t channels,
                               uint16_t blockAlign);

// Builds the RIFF "WAVE" image of pcm: a 50-byte fmt chunk (tag 2, 4 bits, cbSize 32,
// samples per block, the seven coefficient pairs), a fact chunk with the true frame count
// and the data chunk of Enc_AdpcmEncodeBlocks. Answers false with the reason in error when
// channels is not 1 or 2 or blockAlign does not fit the channel count.
bool Enc_BuildAdpcmWave(const std::vector<int16_t> &pcm, uint32_t sampleRate, uint16_t channels,
                        uint16_t blockAlign, EncBytes &image, std::string &error);
