// The "pc" platform's encoder.
#include "convert/encoder_pc.h"

#include "convert/wave.h"
#include "engine/common/byte_order.h"
#include "engine/common/format.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/process.h"
#include "platform/system.h"
#include "records/tool_state.h"

#include <cstdlib>
#include <cstring>

namespace
{
constexpr int TARGET_RATES[] = {44100, 32000, 22050};
constexpr uint32_t WMA_MIN_FRAMES_PER_CHANNEL = 88064;
constexpr size_t LOOP_PAD_THRESHOLD = 1073152;
constexpr size_t LOOP_PAD_BLOCK = 536576;

uint32_t EvenSize(uint32_t size)
{
    return size + (size & 1);
}

struct Images
{
    unsigned char *source = nullptr;
    unsigned char *converted = nullptr;
    unsigned char *output = nullptr;
    ~Images()
    {
        free(source);
        free(converted);
        free(output);
    }
};

// Builds the target image from the converted file: PRIV chunk after "fmt ", the image
// cut after "data", and looping streams padded. False when the file is not usable.
bool BuildTarget(Images &images, int convertedSize, const SoundFileEntry *entry, size_t *outputSize)
{
    WaveInfo info;
    if (!Wav_GetInfo(images.converted, static_cast<size_t>(convertedSize), &info))
        return false;
    const unsigned char *format =
        Riff_FindChunk(images.converted, static_cast<size_t>(convertedSize), "fmt ");
    if (format == nullptr)
        return false;
    size_t formatEnd =
        static_cast<size_t>(format - images.converted) + 8 + EvenSize(Com_ReadU32(format + 4));
    // The PRIV chunk ends at a fixed offset; a format block reaching past it leaves no
    // room for one.
    if (formatEnd + 8 > PRIV_CHUNK_END)
        return false;
    unsigned char payload[PRIV_PAYLOAD_BLOCK];
    Wav_BuildPrivPayload(info, payload);
    uint32_t payloadSize = static_cast<uint32_t>(PRIV_CHUNK_END - 8 - formatEnd);
    size_t size = 0;
    images.output = Riff_InsertPrivChunk(images.converted, static_cast<size_t>(convertedSize),
                                         payload, payloadSize, &size);
    if (images.output == nullptr)
        return false;

    size_t riffLength = static_cast<size_t>(Com_ReadU32(images.output + 4)) + 8;
    const unsigned char *data =
        Riff_FindChunk(images.output, riffLength < size ? riffLength : size, "data");
    if (data == nullptr)
        return false;
    size_t dataEnd =
        static_cast<size_t>(data - images.output) + 8 + EvenSize(Com_ReadU32(data + 4));
    if (dataEnd != size && dataEnd < size)
    {
        size = dataEnd;
        Com_WriteU32(images.output + 4, static_cast<uint32_t>(size - 8));
    }

    if (entry->streamed && entry->looping && size > LOOP_PAD_THRESHOLD)
    {
        size_t padded = (size + LOOP_PAD_BLOCK - 1) / LOOP_PAD_BLOCK * LOOP_PAD_BLOCK;
        unsigned char *grown = static_cast<unsigned char *>(realloc(images.output, padded));
        if (grown == nullptr)
            return false;
        images.output = grown;
        memcpy(grown + size, grown + PRIV_SAMPLE_START, padded - size);
        size = padded;
    }
    *outputSize = size;
    return true;
}
// Runs a program that writes output. The output goes first: a program that ends well
// without writing it must not leave the previous file's output to be taken for its own.
bool RunEncoderFresh(const char *const *argv, const char *output)
{
    Plat_RemoveFile(output);
    return Tool_RunEncoder(argv);
}
} // namespace

bool Tool_RunEncoder(const char *const *argv)
{
    // After an interrupt no program starts; the file in hand is then given up.
    if (Plat_Interrupted())
        return false;
    uint32_t start = Plat_Milliseconds();
    int status = Plat_SpawnWait(argv);
    uint32_t end = Plat_Milliseconds();
    ++toolState.run.updatedCount;
    toolState.run.encodeTime += end - start;
    return status == 0;
}

void Tool_EncodeSoundPC(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                        XUHistoryEntry *history)
{
    char ratePath[TOOL_PATH_SIZE];
    char encodePath[TOOL_PATH_SIZE];
    Com_FormatBuffer(ratePath, sizeof(ratePath), "%s\\temp.rate.wav", toolState.folders.tempDir);
    Com_FormatBuffer(encodePath, sizeof(encodePath), "%s\\temp.encode.wav",
                     toolState.folders.tempDir);

    // Failures below record the last system error; an earlier lookup that found no
    // platform-specific source must not be blamed for them.
    Plat_SetLastError(0);
    Images images;
    bool ok = false;
    do
    {
        int sourceSize = 0;
        images.source = Tool_ReadWholeFile(sourcePath, &sourceSize);
        WaveInfo info;
        if (images.source == nullptr ||
            !Wav_GetInfo(images.source, static_cast<size_t>(sourceSize), &info))
            break;
        uint32_t sampleRate = Wav_SampleRate(info);
        uint32_t channels = Wav_ChannelCount(info);
        uint32_t frames = info.frameCount;

        const char *input = sourcePath;
        int targetRate = 0;
        for (int rate : TARGET_RATES)
            if (static_cast<uint32_t>(rate) <= sampleRate)
            {
                targetRate = rate;
                break;
            }
        if (targetRate != 0 && static_cast<uint32_t>(targetRate) != sampleRate)
        {
            char rateText[16];
            Com_FormatBuffer(rateText, sizeof(rateText), "%d", targetRate);
            const char *argv[] = {"sox.exe", sourcePath, "-r",   rateText,
                                  ratePath,  "resample", nullptr};
            if (!RunEncoderFresh(argv, ratePath))
            {
                if (!Plat_Interrupted())
                    Tool_AddError(Plat_LastError(), va("during resample of %s", sourcePath), 0);
                break;
            }
            input = ratePath;
        }

        bool allowWma = true, allowAdpcm = true, allowPcm = true;
        if (Str_CaseCompare(entry->compression, "adpcm") == 0)
            allowWma = allowPcm = false;
        else if (Str_CaseCompare(entry->compression, "wma") == 0)
            allowAdpcm = allowPcm = false;
        else if (Str_CaseCompare(entry->compression, "pcm") == 0)
            allowWma = allowAdpcm = false;

        if (static_cast<uint64_t>(frames) <
                static_cast<uint64_t>(channels) * WMA_MIN_FRAMES_PER_CHANNEL ||
            entry->streamed)
            allowWma = false;
        const char *converted = nullptr;
        if (allowWma && !entry->looping)
        {
            const char *argv[] = {"WMAEncode.exe", "-b", "96000", input, encodePath, nullptr};
            if (RunEncoderFresh(argv, encodePath))
                converted = encodePath;
            else if (Plat_Interrupted())
                break; // no later choice stands in for a program the interrupt stopped
        }
        if (converted == nullptr && allowAdpcm)
        {
            const char *argv[] = {"AdpcmEncode.exe", "-b",   "512", "-f", "16", input,
                                  encodePath,        nullptr};
            if (RunEncoderFresh(argv, encodePath))
                converted = encodePath;
            else if (Plat_Interrupted())
                break;
        }
        if (converted == nullptr && allowPcm)
            converted = input;
        if (converted == nullptr)
        {
            Tool_AddError(Plat_LastError(),
                          va("during encode of %s tried: %s %s %s", sourcePath,
                             allowWma ? "wma" : "", allowAdpcm ? "adpcm" : "",
                             allowAdpcm ? "pcm" : ""),
                          0);
            break;
        }

        free(images.source);
        images.source = nullptr;
        int convertedSize = 0;
        images.converted = Tool_ReadWholeFile(converted, &convertedSize);
        size_t outputSize = 0;
        if (images.converted == nullptr || !BuildTarget(images, convertedSize, entry, &outputSize))
            break;
        if (!Tool_WriteWholeFile(targetPath, static_cast<int>(outputSize), images.output))
            break;
        ok = true;
    } while (false);

    // A file given up after an interrupt is no fault of its own: it records nothing and,
    // like a failed one, is left out of the history so that the next run converts it.
    if (!ok)
    {
        if (!Plat_Interrupted())
            Tool_AddError(Plat_LastError(), va("during encoding %s", sourcePath),
                          TOOL_ERROR_BAD_FILE_FORMAT);
        if (history != nullptr)
            history->failed = true;
    }
}
