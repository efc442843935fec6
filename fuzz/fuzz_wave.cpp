// The wave layer on any image: Wav_GetInfo, Riff_FindChunk for the chunk codes that
// matter, and Riff_InsertPrivChunk with the payload the encoder would build, followed
// by a second summary of the new image. Everything found must lie within the image.
#include "convert/wave.h"
#include "engine/common/byte_order.h"
#include "fuzz/fuzz_support.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
// Copies the input into a block of exactly its size, so that a read past it is caught.
std::vector<unsigned char> Image(const uint8_t *data, size_t size)
{
    return std::vector<unsigned char>(data, data + size);
}

bool Within(const unsigned char *image, size_t size, const unsigned char *begin, uint64_t length)
{
    return begin >= image && begin <= image + size &&
           length <= static_cast<uint64_t>(image + size - begin);
}

void CheckInfo(const unsigned char *image, size_t size, bool accepted, const WaveInfo &info)
{
    if (!accepted)
    {
        FUZZ_CHECK(info.format == nullptr && info.data == nullptr && info.seekTable == nullptr);
        FUZZ_CHECK(info.formatSize == 0 && info.dataSize == 0 && info.seekCount == 0 &&
                   info.frameCount == 0);
        return;
    }
    FUZZ_CHECK(info.format != nullptr && info.data != nullptr);
    FUZZ_CHECK(Within(image, size, info.format, info.formatSize));
    FUZZ_CHECK(Within(image, size, info.data, info.dataSize));
    FUZZ_CHECK(info.formatSize >= 16);
    if (info.seekTable != nullptr)
        FUZZ_CHECK(Within(image, size, info.seekTable, uint64_t(info.seekCount) * 4));
    Wav_FormatTag(info);
    Wav_ChannelCount(info);
    Wav_SampleRate(info);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Com_InitByteOrder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<unsigned char> bytes = Image(data, size);
    const unsigned char *image = bytes.data();

    WaveInfo info;
    bool accepted = Wav_GetInfo(image, size, &info);
    CheckInfo(image, size, accepted, info);

    for (const char *code : {"fmt ", "data", "dpds", "PRIV", "LIST"})
    {
        const unsigned char *chunk = Riff_FindChunk(image, size, code);
        if (chunk != nullptr)
        {
            FUZZ_CHECK(Within(image, size, chunk, 8));
            FUZZ_CHECK(chunk >= image + 12 && memcmp(chunk, code, 4) == 0);
        }
    }

    // The encoder's payload: a PRIV header in a zeroed block, sized so that the chunk
    // ends at PRIV_CHUNK_END; a format chunk that ends later gets the bare header.
    unsigned char payload[PRIV_PAYLOAD_BLOCK];
    Wav_BuildPrivPayload(info, payload);
    const unsigned char *format = Riff_FindChunk(image, size, "fmt ");
    uint32_t payloadSize = 24;
    uint64_t insertAt = 0;
    if (format != nullptr)
    {
        insertAt = uint64_t(format - image) + 8 + ((uint64_t(Com_ReadU32(format + 4)) + 1) & ~1ull);
        if (insertAt + 8 <= PRIV_CHUNK_END)
            payloadSize = uint32_t(PRIV_CHUNK_END - 8 - insertAt);
    }
    size_t newSize = 0;
    unsigned char *inserted = Riff_InsertPrivChunk(image, size, payload, payloadSize, &newSize);
    if (inserted == nullptr)
    {
        FUZZ_CHECK(newSize == 0);
        FUZZ_CHECK(format == nullptr || insertAt > size);
        return 0;
    }
    uint64_t padded = (uint64_t(payloadSize) + 1) & ~1ull;
    FUZZ_CHECK(format != nullptr && insertAt <= size);
    FUZZ_CHECK(newSize == size + 8 + padded);
    FUZZ_CHECK(memcmp(inserted, image, 4) == 0);
    FUZZ_CHECK(memcmp(inserted + 8, image + 8, size_t(insertAt - 8)) == 0);
    FUZZ_CHECK(memcmp(inserted + insertAt, "PRIV", 4) == 0);
    FUZZ_CHECK(Com_ReadU32(inserted + insertAt + 4) == payloadSize);
    FUZZ_CHECK(memcmp(inserted + insertAt + 8, payload, payloadSize) == 0);
    FUZZ_CHECK(memcmp(inserted + insertAt + 8 + padded, image + insertAt, size - insertAt) == 0);
    FUZZ_CHECK(Com_ReadU32(inserted + 4) == uint32_t(size + padded));

    WaveInfo after;
    bool acceptedAfter = Wav_GetInfo(inserted, newSize, &after);
    CheckInfo(inserted, newSize, acceptedAfter, after);
    // A whole chunk inserted at a chunk boundary changes nothing that the summary reads.
    if (accepted)
    {
        FUZZ_CHECK(acceptedAfter);
        FUZZ_CHECK(after.formatSize == info.formatSize && after.dataSize == info.dataSize &&
                   after.seekCount == info.seekCount && after.frameCount == info.frameCount);
    }
    free(inserted);
    return 0;
}
