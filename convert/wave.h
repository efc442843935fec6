// RIFF wave images in memory: chunk walking, the format summary and the PRIV chunk.
// Every read stays within the size it is given; all numbers are little-endian.
#pragma once

#include "convert/whole_file.h"

#include <cstddef>
#include <cstdint>

struct WaveInfo
{
    const unsigned char *format;    // the format block (payload of "fmt ")
    uint32_t formatSize;            // its payload size rounded up to even
    const unsigned char *data;      // the sample data (payload of "data")
    uint32_t dataSize;              // its payload size rounded up to even
    const unsigned char *seekTable; // the payload of "dpds"
    uint32_t seekCount;             // dpds payload size rounded up to even, divided by 4
    uint32_t frameCount;
};

// The payload of the PRIV chunk, little-endian on disk.
struct PrivSoundHeader
{
    char magic[4];    // "SNDS"
    uint32_t version; // 5
    uint32_t sampleRate;
    uint32_t channelCount;
    uint32_t frameCount;
    uint32_t dataSize;
};

constexpr uint32_t PRIV_HEADER_VERSION = 5;
constexpr uint32_t PRIV_CHUNK_END = 2088;    // the PRIV chunk always ends here
constexpr uint32_t PRIV_SAMPLE_START = 2096; // first sample byte with the usual layout
constexpr uint32_t PRIV_PAYLOAD_BLOCK = 2128;

// Format-block reads of a summary that Wav_GetInfo accepted (its format block holds at
// least 16 bytes); 0 when the summary has no format block.
uint16_t Wav_FormatTag(const WaveInfo &info);
uint16_t Wav_ChannelCount(const WaveInfo &info);
uint32_t Wav_SampleRate(const WaveInfo &info);

// The chunk header (code) of the first chunk at or after offset 12 with this code, or
// null when there is none or the image is not a RIFF "WAVE" or "XWMA" image. Reads a
// chunk header only while 8 bytes of it lie within size; the payload of the chunk
// found may still run past size.
const unsigned char *Riff_FindChunk(const unsigned char *image, size_t size, const char *code);

// Summarises a RIFF "WAVE" or "XWMA" image: format block, sample data, seek table and
// frame count. Fails (false, every field cleared) when the header is wrong, the RIFF
// size claims more than size, a chunk runs past size before "data" ends the walk, the
// format block or the sample data is missing, the format block is too short for its
// tag, or a Windows Media Audio image has no seek table.
bool Wav_GetInfo(const unsigned char *image, size_t size, WaveInfo *info);

// A new heap image (released with free) with a PRIV chunk of this payload right after
// "fmt ", its size in newSizeOut, and the RIFF size set to size plus the even-rounded
// payload size. Null when there is no "fmt " chunk within size or the allocation fails.
unsigned char *Riff_InsertPrivChunk(const unsigned char *image, size_t size,
                                    const unsigned char *payload, uint32_t payloadSize,
                                    size_t *newSizeOut);

// Fills the PRIV payload block (PRIV_PAYLOAD_BLOCK bytes, zeroed first) with the
// PrivSoundHeader of an accepted summary: rate, channels, frames and data size.
void Wav_BuildPrivPayload(const WaveInfo &info, unsigned char *block);
