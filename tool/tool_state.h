// ToolState: the one process-wide record of options, derived folders, the platform
// being run, the work lists, the orphan candidates, the counters and the error list.
#pragma once

#include "assets/compression_table.h"
#include "assets/history.h"
#include "assets/sound_entry.h"
#include "engine/common/str.h"
#include "tool/console.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

constexpr int TOOL_PATH_SIZE = 260;

struct LocalizedPrefix
{
    const char *text;
    int length;
};

struct ToolState
{
    uint32_t startTime;
    uint32_t encodeTime;
    uint32_t otherTime;
    bool platformSelected[PLATFORM_COUNT];
    bool allPlatforms;
    int platformIndex;
    const PlatformInfo *platform;
    char baseDir[TOOL_PATH_SIZE];
    char sourceRoot[TOOL_PATH_SIZE];
    char tempDir[TOOL_PATH_SIZE];
    char languageDir[TOOL_PATH_SIZE];
    char logFileName[TOOL_PATH_SIZE];
    std::vector<std::string> aliasFiles;
    LocalizedPrefix localizedPrefixes[2];
    std::set<std::string, Str_CaseLess> orphanCandidates;
    SoundFileList loadedList;
    SoundFileList streamedList;
    int32_t filesCount;
    int32_t updatedCount;
    CompressionTable compressionTable;
    XUHistoryLists historyLists;
    std::vector<ToolErrorRecord> errors;
    bool useHistory;
    bool optimizeCompression;
    bool verbose;
    bool sync;
    bool ignoreOrphans;
    bool skipStreamed;
    bool skipLoaded;
    bool skipLocalized;
    bool skipNonLocalized;
    bool listFiles;
    bool copyStreamed;
    char copyDestination[TOOL_PATH_SIZE];
    bool check3D;
    bool checkPriv;
};

extern ToolState toolState;
