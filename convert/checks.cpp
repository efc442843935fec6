// The "-check3d" and "-check-priv" side actions.
#include "convert/checks.h"

#include "convert/wave.h"
#include "platform/mapping.h"
#include "records/history_entry.h"

#include <algorithm>
#include <cstdio>

void Tool_Check3D(SoundFileEntry *entry, const char *sourcePath, const char * /*targetPath*/,
                  XUHistoryEntry * /*history*/)
{
    if (!entry->spatialized)
        return;
    PlatMapping mapping;
    bool readable = Plat_MapFile(sourcePath, &mapping);
    WaveInfo info;
    bool summarised = false;
    int channels = 0;
    if (readable)
    {
        summarised = Wav_GetInfo(mapping.data, mapping.size, &info);
        if (summarised)
            channels = Wav_ChannelCount(info);
        Plat_UnmapFile(&mapping);
    }
    if (!summarised)
        fprintf(stderr, "ERROR: %s: %s (%s) -- FAILED READING\n", entry->aliasFile, entry->name,
                entry->file);
    else if (channels > 1)
        fprintf(stderr, "ERROR: %s: %s (%s) -- 3D Sound with %d channels\n", entry->aliasFile,
                entry->name, entry->file, channels);
}

void Tool_CheckPriv(SoundFileEntry * /*entry*/, const char * /*sourcePath*/, const char *targetPath,
                    XUHistoryEntry * /*history*/)
{
    PlatMapping mapping;
    if (!Plat_MapFile(targetPath, &mapping))
    {
        fprintf(stderr, "ERROR: Failed reading %s\n", targetPath);
        return;
    }
    bool inFile = Riff_FindChunk(mapping.data, mapping.size, "PRIV") != nullptr;
    size_t headerSize = std::min<size_t>(mapping.size, PRIV_SAMPLE_START);
    bool inHeader = Riff_FindChunk(mapping.data, headerSize, "PRIV") != nullptr;
    Plat_UnmapFile(&mapping);
    if (inHeader)
        return;
    if (inFile)
        fprintf(stderr, "ERROR: PRIV chunk found, but not in the header in %s\n", targetPath);
    else
        fprintf(stderr, "ERROR: No PRIV chunk in %s\n", targetPath);
}
