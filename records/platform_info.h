// PlatformInfo: what one target platform is, and the shape of the per-file actions (the
// platform's encoder and the side actions). The table of platforms is the entry point's.
#pragma once

#include <cstdint>

struct SoundFileEntry;
struct XUHistoryEntry;

// Called once per sound file with the entry, the source path, the target path and the
// history record (null when a side action runs). The platform encoders and the side
// actions share this shape.
typedef void (*Tool_FileAction)(SoundFileEntry *entry, const char *sourcePath,
                                const char *targetPath, XUHistoryEntry *history);

struct PlatformInfo
{
    const char *name;
    const char *outputDir;
    const char *aliasPlatformName;
    const char *targetExt;
    const char *platformSourceExt;
    const char *rawStreamedDir;
    const char *rawLoadedDir;
    const char *devrawStreamedDir;
    const char *devrawLoadedDir;
    const char *compressionTableFile;
    const char *historyFile;
    int32_t minCompression;
    int32_t maxCompression;
    int32_t maxNameComponent;
    Tool_FileAction encode;
};

constexpr int PLATFORM_COUNT = 1;
