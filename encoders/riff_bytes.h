// Little-endian byte access and RIFF chunk assembly shared by the encoder programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using EncBytes = std::vector<unsigned char>;

// Reads an unsigned little-endian value at p; the caller guarantees the bytes exist.
inline uint16_t Enc_GetU16(const unsigned char *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Enc_GetU32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Appends a little-endian value to the end of out.
void Enc_PutU16(EncBytes &out, uint16_t v);
void Enc_PutU32(EncBytes &out, uint32_t v);

// Appends a chunk: the four-character code, the payload size, the payload and a pad byte
// when the size is odd.
void Enc_PutChunk(EncBytes &out, const char code[4], const EncBytes &payload);

// Starts a RIFF image of the given form ("WAVE", "XWMA") with a size field of zero.
EncBytes Enc_BeginRiff(const char form[4]);

// Sets the RIFF size field of an image started by Enc_BeginRiff to its length minus 8.
void Enc_FinishRiff(EncBytes &image);
