// The RIFF wave layer: the chunk walk, the wave summary with its frame count, and the
// insertion of the PRIV header chunk.
#include "convert/wave.h"

#include "engine/common/byte_order.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr size_t RIFF_HEADER_SIZE = 12;
constexpr uint64_t CHUNK_HEADER_SIZE = 8;

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_ADPCM = 2;
constexpr uint16_t WAVE_FORMAT_WMA = 353;

// Bytes of the format block that hold tag, channels, rate, average rate, block align
// and bits per sample; ADPCM adds the samples per block at 18.
constexpr uint32_t FORMAT_BLOCK_BASIC = 16;
constexpr uint32_t FORMAT_BLOCK_ADPCM = 20;

uint64_t EvenSize(uint32_t size)
{
    return (uint64_t(size) + 1) & ~uint64_t(1);
}

bool IsRiffWave(const unsigned char *image, size_t size)
{
    return size >= RIFF_HEADER_SIZE && memcmp(image, "RIFF", 4) == 0 &&
           (memcmp(image + 8, "WAVE", 4) == 0 || memcmp(image + 8, "XWMA", 4) == 0);
}

uint64_t ByteTotalToFrames(uint64_t byteTotal, uint16_t channels, uint16_t bitsPerSample)
{
    // A header claiming zero channels or zero bits per sample describes no frames; it
    // counts as 0 frames rather than failing the image.
    uint64_t bitsPerFrame = uint64_t(channels) * bitsPerSample;
    if (byteTotal == 0 || bitsPerFrame == 0)
        return 0;
    return byteTotal * 8 / bitsPerFrame;
}

// The frame count of an image whose format block and sample data were found; false
// when the image cannot be accepted.
bool CountFrames(const WaveInfo &info, uint32_t formatPayloadSize, uint64_t *frames)
{
    if (formatPayloadSize < FORMAT_BLOCK_BASIC)
        return false;
    const unsigned char *format = info.format;
    uint16_t tag = Com_ReadU16(format);
    uint16_t channels = Com_ReadU16(format + 2);
    uint32_t sampleRate = Com_ReadU32(format + 4);
    uint32_t avgBytesPerSec = Com_ReadU32(format + 8);
    uint16_t blockAlign = Com_ReadU16(format + 12);
    uint16_t bitsPerSample = Com_ReadU16(format + 14);

    uint64_t byteTotal = 0;
    switch (tag)
    {
    case WAVE_FORMAT_PCM:
        byteTotal = info.dataSize;
        break;
    case WAVE_FORMAT_ADPCM:
    {
        if (formatPayloadSize < FORMAT_BLOCK_ADPCM)
            return false;
        uint16_t samplesPerBlock = Com_ReadU16(format + 18);
        // Like zero channels, a block align of zero describes no frames.
        if (blockAlign != 0)
            byteTotal = uint64_t(info.dataSize / blockAlign) * samplesPerBlock * bitsPerSample *
                        channels / 8;
        break;
    }
    case WAVE_FORMAT_WMA:
        // An empty seek table has no last entry to take the length from.
        if (info.seekTable == nullptr || info.seekCount == 0)
            return false;
        byteTotal = Com_ReadU32(info.seekTable + uint64_t(info.seekCount - 1) * 4);
        break;
    default:
        *frames = avgBytesPerSec == 0 ? 0 : uint64_t(sampleRate) * info.dataSize / avgBytesPerSec;
        return true;
    }
    *frames = ByteTotalToFrames(byteTotal, channels, bitsPerSample);
    return true;
}
} // namespace

uint16_t Wav_FormatTag(const WaveInfo &info)
{
    return info.format != nullptr ? Com_ReadU16(info.format) : 0;
}

uint16_t Wav_ChannelCount(const WaveInfo &info)
{
    return info.format != nullptr ? Com_ReadU16(info.format + 2) : 0;
}

uint32_t Wav_SampleRate(const WaveInfo &info)
{
    return info.format != nullptr ? Com_ReadU32(info.format + 4) : 0;
}

const unsigned char *Riff_FindChunk(const unsigned char *image, size_t size, const char *code)
{
    if (!IsRiffWave(image, size))
        return nullptr;
    uint64_t offset = RIFF_HEADER_SIZE;
    uint64_t remaining = size - RIFF_HEADER_SIZE;
    while (remaining >= CHUNK_HEADER_SIZE)
    {
        const unsigned char *chunk = image + offset;
        if (memcmp(chunk, code, 4) == 0)
            return chunk;
        uint64_t step = CHUNK_HEADER_SIZE + EvenSize(Com_ReadU32(chunk + 4));
        if (step >= remaining)
            break;
        remaining -= step;
        offset += step;
    }
    return nullptr;
}

bool Wav_GetInfo(const unsigned char *image, size_t size, WaveInfo *info)
{
    memset(info, 0, sizeof(*info));
    if (!IsRiffWave(image, size) || size == RIFF_HEADER_SIZE)
        return false;
    if (uint64_t(Com_ReadU32(image + 4)) + 8 > size)
        return false;

    WaveInfo found = {};
    uint32_t formatPayloadSize = 0;
    uint64_t offset = RIFF_HEADER_SIZE;
    uint64_t remaining = size - RIFF_HEADER_SIZE;
    for (;;)
    {
        // Fewer than 8 bytes left cannot hold a chunk header: the step of any chunk
        // read there would take the count below zero.
        if (remaining < CHUNK_HEADER_SIZE)
            return false;
        const unsigned char *chunk = image + offset;
        uint32_t payloadSize = Com_ReadU32(chunk + 4);
        uint64_t evenSize = EvenSize(payloadSize);
        uint64_t step = CHUNK_HEADER_SIZE + evenSize;
        if (step > remaining)
            return false;
        remaining -= step;
        if (memcmp(chunk, "fmt ", 4) == 0)
        {
            found.format = chunk + CHUNK_HEADER_SIZE;
            found.formatSize = uint32_t(evenSize);
            formatPayloadSize = payloadSize;
        }
        else if (memcmp(chunk, "dpds", 4) == 0)
        {
            found.seekTable = chunk + CHUNK_HEADER_SIZE;
            found.seekCount = uint32_t(evenSize / 4);
        }
        else if (memcmp(chunk, "data", 4) == 0)
        {
            found.data = chunk + CHUNK_HEADER_SIZE;
            found.dataSize = uint32_t(evenSize);
            break;
        }
        if (remaining == 0)
            break;
        offset += step;
    }
    if (found.format == nullptr || found.data == nullptr)
        return false;

    // A format block shorter than the fields its tag needs is rejected rather than read
    // past its payload.
    uint64_t frames = 0;
    if (!CountFrames(found, formatPayloadSize, &frames))
        return false;
    found.frameCount = uint32_t(frames);
    *info = found;
    return true;
}

unsigned char *Riff_InsertPrivChunk(const unsigned char *image, size_t size,
                                    const unsigned char *payload, uint32_t payloadSize,
                                    size_t *newSizeOut)
{
    if (newSizeOut != nullptr)
        *newSizeOut = 0;
    const unsigned char *format = Riff_FindChunk(image, size, "fmt ");
    if (format == nullptr)
        return nullptr;
    uint64_t insertAt =
        uint64_t(format - image) + CHUNK_HEADER_SIZE + EvenSize(Com_ReadU32(format + 4));
    // A format chunk that runs past the image leaves no place to insert behind it.
    if (insertAt > size)
        return nullptr;
    uint64_t paddedSize = EvenSize(payloadSize);
    if (paddedSize + CHUNK_HEADER_SIZE > SIZE_MAX - size)
        return nullptr;
    size_t newSize = size_t(size + CHUNK_HEADER_SIZE + paddedSize);
    unsigned char *out = static_cast<unsigned char *>(malloc(newSize));
    if (out == nullptr)
        return nullptr;

    unsigned char *chunk = out + insertAt;
    memcpy(out, image, size_t(insertAt));
    memcpy(chunk, "PRIV", 4);
    Com_WriteU32(chunk + 4, payloadSize);
    if (payloadSize > 0)
        memcpy(chunk + CHUNK_HEADER_SIZE, payload, payloadSize);
    if (paddedSize != payloadSize)
        chunk[CHUNK_HEADER_SIZE + payloadSize] = 0;
    memcpy(chunk + CHUNK_HEADER_SIZE + paddedSize, image + insertAt, size_t(size - insertAt));
    Com_WriteU32(out + 4, uint32_t(size + paddedSize));
    if (newSizeOut != nullptr)
        *newSizeOut = newSize;
    return out;
}

void Wav_BuildPrivPayload(const WaveInfo &info, unsigned char *block)
{
    PrivSoundHeader header = {{'S', 'N', 'D', 'S'},   PRIV_HEADER_VERSION, Wav_SampleRate(info),
                              Wav_ChannelCount(info), info.frameCount,     info.dataSize};
    memset(block, 0, PRIV_PAYLOAD_BLOCK);
    memcpy(block, header.magic, 4);
    Com_WriteU32(block + 4, header.version);
    Com_WriteU32(block + 8, header.sampleRate);
    Com_WriteU32(block + 12, header.channelCount);
    Com_WriteU32(block + 16, header.frameCount);
    Com_WriteU32(block + 20, header.dataSize);
}
