// RIFF wave images in memory: chunk walking, the format summary and the PRIV chunk.
#pragma once

#include <cstddef>
#include <cstdint>

struct WaveInfo
{
    const unsigned char *format;   // the format block (payload of "fmt ")
    uint32_t formatSize;           // its payload size rounded up to even
    const unsigned char *data;     // the sample data (payload of "data")
    uint32_t dataSize;             // its payload size rounded up to even
    const unsigned char *seekTable; // the payload of "dpds"
    uint32_t seekCount;            // dpds payload size rounded up to even, divided by 4
    uint32_t frameCount;
};

// The payload of the PRIV chunk, little-endian on disk.
struct PrivSoundHeader
{
    char magic[4]; // "SNDS"
    uint32_t version; // 5
    uint32_t sampleRate;
    uint32_t channelCount;
    uint32_t frameCount;
    uint32_t dataSize;
};

constexpr uint32_t PRIV_HEADER_VERSION = 5;
constexpr uint32_t PRIV_CHUNK_END = 2088;  // the PRIV chunk always ends here
constexpr uint32_t PRIV_SAMPLE_START = 2096; // first sample byte with the usual layout
constexpr uint32_t PRIV_PAYLOAD_BLOCK = 2128;

// Format-block reads.
uint16_t Wav_FormatTag(const WaveInfo &info);
uint16_t Wav_ChannelCount(const WaveInfo &info);
uint32_t Wav_SampleRate(const WaveInfo &info);

unsigned char *Tool_ReadWholeFile(const char *path, int *sizeOut);
// Writes the file through a temporary file beside it and renames it into place, so a
// reader never sees a partial file. True when all bytes reached the disk.
bool Tool_WriteWholeFile(const char *path, int size, const unsigned char *buffer);

// The chunk header (code) of the first chunk with this code, or null.
const unsigned char *Riff_FindChunk(const unsigned char *image, size_t size, const char *code);
bool Wav_GetInfo(const unsigned char *image, size_t size, WaveInfo *info);
// A new heap image (released with free) with the PRIV chunk after "fmt ", or null.
unsigned char *Riff_InsertPrivChunk(const unsigned char *image, size_t size, const unsigned char *payload,
                                    uint32_t payloadSize, size_t *newSizeOut);
// Fills the PRIV payload block (PRIV_PAYLOAD_BLOCK bytes, zeroed first).
void Wav_BuildPrivPayload(const WaveInfo &info, unsigned char *block);
