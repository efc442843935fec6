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
#include <initializer_list>

namespace
{
constexpr int TARGET_RATES[] = {44100, 32000, 22050};
constexpr uint32_t WMA_MIN_FRAMES_PER_CHANNEL = 88064;
constexpr size_t LOOP_PAD_THRESHOLD = 1073152;
constexpr size_t LOOP_PAD_BLOCK = 536576;
// The programs' output files in a scratch folder: the resampler's and the encoders'.
constexpr const char *RATE_FILE = "temp.rate.wav";
constexpr const char *ENCODE_FILE = "temp.encode.wav";

uint32_t EvenSize(uint32_t size)
{
    return size + (size & 1);
}

struct Images
{
    unsigned char *converted = nullptr;
    unsigned char *output = nullptr;
    ~Images()
    {
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
// A record of the conversion's own, with the system error as its calls left it.
void Record(PcConversion *conversion, uint32_t toolError, const char *text)
{
    conversion->errors.push_back(Tool_MakeErrorRecord(conversion->lastError, text, toolError));
}

void SetArgv(PcConversion *conversion, std::initializer_list<const char *> words)
{
    size_t i = 0;
    for (const char *word : words)
        conversion->argv[i++] = word;
    conversion->argv[i] = nullptr;
}

// Starts the program named by argv[0] from the current folder, waits for it and counts the
// launch. Its exit status: -1 when it could not start or did not exit normally, and when
// an interrupt came first (then nothing starts and nothing is counted).
int RunEncoder(const char *const *argv, uint32_t *milliseconds)
{
    *milliseconds = 0;
    if (Plat_Interrupted())
        return -1;
    uint32_t start = Plat_Milliseconds();
    int status = Plat_SpawnWait(argv);
    *milliseconds = Plat_Milliseconds() - start;
    toolState.run.CountLaunch(*milliseconds);
    return status;
}
} // namespace

void Tool_BeginPcConversion(PcConversion *conversion, SoundFileEntry *entry, const char *sourcePath,
                            const char *targetPath, XUHistoryEntry *history,
                            const char *scratchFolder)
{
    PcConversion &c = *conversion;
    c.entry = entry;
    c.history = history;
    Str_Copy(c.sourcePath, sourcePath, sizeof(c.sourcePath));
    Str_Copy(c.targetPath, targetPath, sizeof(c.targetPath));
    Com_FormatBuffer(c.ratePath, sizeof(c.ratePath), "%s\\%s", scratchFolder, RATE_FILE);
    Com_FormatBuffer(c.encodePath, sizeof(c.encodePath), "%s\\%s", scratchFolder, ENCODE_FILE);
    c.rateText[0] = 0;
    c.input = c.sourcePath;
    c.converted = nullptr;
    c.argv[0] = nullptr;
    c.errors.clear();
    c.launches.clear();
    c.failed = false;
    c.abandoned = false;

    // Failures below record the last system error; an earlier lookup that found no
    // platform-specific source must not be blamed for them.
    Plat_SetLastError(0);
    int sourceSize = 0;
    unsigned char *source = Tool_ReadWholeFile(sourcePath, &sourceSize);
    WaveInfo info;
    bool readable =
        source != nullptr && Wav_GetInfo(source, static_cast<size_t>(sourceSize), &info);
    c.lastError = Plat_LastError();
    if (!readable)
    {
        free(source);
        c.stage = PC_FAILED;
        return;
    }
    uint32_t sampleRate = Wav_SampleRate(info);
    uint32_t channels = Wav_ChannelCount(info);
    uint32_t frames = info.frameCount;
    free(source);

    int targetRate = 0;
    for (int rate : TARGET_RATES)
        if (static_cast<uint32_t>(rate) <= sampleRate)
        {
            targetRate = rate;
            break;
        }
    if (targetRate != 0 && static_cast<uint32_t>(targetRate) != sampleRate)
        Com_FormatBuffer(c.rateText, sizeof(c.rateText), "%d", targetRate);

    c.allowWma = c.allowAdpcm = c.allowPcm = true;
    if (Str_CaseCompare(entry->compression, "adpcm") == 0)
        c.allowWma = c.allowPcm = false;
    else if (Str_CaseCompare(entry->compression, "wma") == 0)
        c.allowAdpcm = c.allowPcm = false;
    else if (Str_CaseCompare(entry->compression, "pcm") == 0)
        c.allowWma = c.allowAdpcm = false;
    if (static_cast<uint64_t>(frames) <
            static_cast<uint64_t>(channels) * WMA_MIN_FRAMES_PER_CHANNEL ||
        entry->streamed)
        c.allowWma = false;
    c.stage = c.rateText[0] != 0 ? PC_RESAMPLE : PC_WMA;
}

const char *const *Tool_NextPcLaunch(PcConversion *conversion)
{
    PcConversion &c = *conversion;
    Plat_SetLastError(c.lastError);
    const char *output = c.encodePath;
    for (;;)
    {
        if (c.stage == PC_RESAMPLE)
        {
            SetArgv(&c, {"sox.exe", c.sourcePath, "-r", c.rateText, c.ratePath, "resample"});
            output = c.ratePath;
            break;
        }
        // A looping entry passes WMA over without losing the permission.
        if (c.stage == PC_WMA && c.allowWma && !c.entry->looping)
        {
            SetArgv(&c, {"WMAEncode.exe", "-b", "96000", c.input, c.encodePath});
            break;
        }
        if (c.stage == PC_WMA)
        {
            c.stage = PC_ADPCM;
            continue;
        }
        if (c.stage == PC_ADPCM && c.allowAdpcm)
        {
            SetArgv(&c, {"AdpcmEncode.exe", "-b", "512", "-f", "16", c.input, c.encodePath});
            break;
        }
        if (c.stage == PC_ADPCM)
        {
            c.stage = PC_PCM;
            continue;
        }
        if (c.stage == PC_PCM && c.allowPcm)
        {
            c.converted = c.input;
            c.stage = PC_WRITE;
        }
        else if (c.stage == PC_PCM)
        {
            Record(&c, TOOL_ERROR_NONE,
                   va("during encode of %s tried: %s %s %s", c.sourcePath, c.allowWma ? "wma" : "",
                      c.allowAdpcm ? "adpcm" : "", c.allowAdpcm ? "pcm" : ""));
            c.stage = PC_FAILED;
        }
        return nullptr;
    }
    if (Plat_Interrupted())
    {
        c.stage = PC_ABANDONED;
        return nullptr;
    }
    // A program that ends well without writing its output must not leave the previous
    // file's output to be taken for its own.
    Plat_RemoveFile(output);
    c.lastError = Plat_LastError();
    return c.argv;
}

void Tool_PcLaunchEnded(PcConversion *conversion, int exitStatus, uint32_t lastError,
                        uint32_t milliseconds)
{
    PcConversion &c = *conversion;
    c.lastError = lastError;
    c.launches.push_back(ProgramLaunchRecord{c.argv[0], exitStatus, milliseconds});
    bool succeeded = exitStatus == 0;
    // Once an interrupt stopped a program, no later choice stands in for it.
    bool stopped = !succeeded && Plat_Interrupted();
    switch (c.stage)
    {
    case PC_RESAMPLE:
        if (succeeded)
        {
            c.input = c.ratePath;
            c.stage = PC_WMA;
            return;
        }
        if (!stopped)
            Record(&c, TOOL_ERROR_NONE, va("during resample of %s", c.sourcePath));
        c.stage = PC_FAILED;
        return;
    case PC_WMA:
    case PC_ADPCM:
        if (succeeded)
        {
            c.converted = c.encodePath;
            c.stage = PC_WRITE;
        }
        else
            c.stage = stopped ? PC_FAILED : c.stage == PC_WMA ? PC_ADPCM : PC_PCM;
        return;
    default:
        return;
    }
}

void Tool_FinishPcConversion(PcConversion *conversion)
{
    PcConversion &c = *conversion;
    Plat_SetLastError(c.lastError);
    if (c.stage == PC_WRITE)
    {
        Images images;
        int convertedSize = 0;
        images.converted = Tool_ReadWholeFile(c.converted, &convertedSize);
        size_t outputSize = 0;
        if (images.converted != nullptr &&
            BuildTarget(images, convertedSize, c.entry, &outputSize) &&
            Tool_WriteWholeFile(c.targetPath, static_cast<int>(outputSize), images.output))
            c.stage = PC_DONE;
        else
            c.stage = PC_FAILED;
        c.lastError = Plat_LastError();
    }
    // A file given up after an interrupt is no fault of its own: it records nothing and,
    // like a failed one, is left out of the history so that the next run converts it.
    c.abandoned = c.stage == PC_ABANDONED || (c.stage == PC_FAILED && Plat_Interrupted());
    if (c.stage == PC_FAILED && !c.abandoned)
        Record(&c, TOOL_ERROR_BAD_FILE_FORMAT, va("during encoding %s", c.sourcePath));
    c.failed = c.stage != PC_DONE;
    c.stage = PC_DONE;
}

void Tool_CommitPcConversion(const PcConversion &conversion)
{
    Tool_AppendErrorRecords(conversion.errors);
    if (conversion.failed && conversion.history != nullptr)
        conversion.history->failed = true;
    if (SoundFileRecord *record = Tool_SoundFileRecord(conversion.entry))
    {
        record->programs = conversion.launches;
        if (conversion.failed)
            record->decision = "failed";
        if (conversion.abandoned)
            record->reason = "interrupted";
    }
}

void Tool_RemovePcScratchFiles(const char *scratchFolder)
{
    for (const char *name : {RATE_FILE, ENCODE_FILE})
        Plat_RemoveFile(va("%s\\%s", scratchFolder, name));
}

void Tool_EncodeSoundPC(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                        XUHistoryEntry *history)
{
    PcConversion conversion;
    Tool_BeginPcConversion(&conversion, entry, sourcePath, targetPath, history,
                           toolState.folders.tempDir);
    while (const char *const *argv = Tool_NextPcLaunch(&conversion))
    {
        uint32_t milliseconds = 0;
        int status = RunEncoder(argv, &milliseconds);
        Tool_PcLaunchEnded(&conversion, status, Plat_LastError(), milliseconds);
    }
    Tool_FinishPcConversion(&conversion);
    Tool_CommitPcConversion(conversion);
}
