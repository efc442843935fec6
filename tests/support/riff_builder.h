// Composing RIFF images in memory for tests, and reading them back. Images are byte
// strings, so they can be written with WriteFile and compared with ReadFile.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Little-endian bytes of a number.
std::string LittleU16(uint16_t value);
std::string LittleU32(uint32_t value);
// The little-endian number of size (up to 4) bytes at offset.
uint32_t ReadLittle(const std::string &bytes, size_t offset, int size);

// One chunk: code, payload size, payload, and a zero pad byte when the size is odd.
std::string RiffChunk(const char *code, const std::string &payload);
// A chunk header claiming declaredSize, followed by payload as given (no pad byte), for
// chunks whose size lies about their payload.
std::string RiffChunkHeader(const char *code, uint32_t declaredSize,
                            const std::string &payload = "");

// "RIFF", the size of everything behind it, the form ("WAVE" or "XWMA"), the chunks.
std::string RiffImage(const char *form, const std::vector<std::string> &chunks);

// A 16-byte format block.
std::string WaveFormat(uint16_t tag, uint16_t channels, uint32_t sampleRate,
                       uint32_t avgBytesPerSec, uint16_t blockAlign, uint16_t bitsPerSample);
// The 16-byte format block of integer PCM.
std::string PcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample = 16);
// The 50-byte format block of Microsoft ADPCM at 4 bits per sample, with its samples
// per block and the seven standard coefficient pairs.
std::string AdpcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t blockAlign,
                        uint16_t samplesPerBlock);

// Sample bytes that differ from position to position (byte i is a function of i), so
// that copies and cuts can be checked.
std::string SampleBytes(size_t count);

// A complete PCM "WAVE" image: "fmt " then "data" holding frames sample frames of
// SampleBytes.
std::string PcmWave(uint32_t sampleRate, uint16_t channels, uint32_t frames,
                    uint16_t bitsPerSample = 16);

// The image's bytes as the wave layer takes them.
inline const unsigned char *ImageBytes(const std::string &image)
{
    return reinterpret_cast<const unsigned char *>(image.data());
}

// A RIFF image read back without interpretation; numbers in it read with ReadLittle.
struct RiffRead
{
    std::string form;                          // "WAVE", "XWMA"; empty for no RIFF image
    std::vector<std::string> order;            // the chunk codes in file order
    std::map<std::string, std::string> chunks; // the first payload of each code
    std::map<std::string, size_t> offsets;     // the offset of the first header of each code
    bool wellFormed = false; // every chunk whole, and they fill the image as its size field says
};
RiffRead ReadRiff(const std::string &bytes);
