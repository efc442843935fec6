// ToolState: the one process-wide record of a run, in three parts with one owner each.
//   options  what the command line sets (and the entry point, for the alias files, the
//            choice of a side action and an interrupt); read by every layer, changed by
//            no one else.
//   folders  the kit's folders, derived once at start-up from the working directory.
//   run      the state of one run: the platform being run, the work lists, the history
//            lists, the orphan candidates, the counters, the error records, and the
//            caches that shadow them. Changed only by the run driver and the steps it
//            calls; `toolState.run = ToolRun{}` starts a fresh run (after the lists'
//            records were freed).
#pragma once

#include "engine/common/str.h"
#include "records/compression_settings.h"
#include "records/error_records.h"
#include "records/history_entry.h"
#include "records/platform_info.h"
#include "records/run_record.h"
#include "records/sound_entry.h"

#include <cstdint>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

constexpr int TOOL_PATH_SIZE = 260;
constexpr int TOOL_MAX_JOBS = 64; // sound files converted at the same time, at most

struct LocalizedPrefix
{
    const char *text;
    int length;
};

struct ToolOptions
{
    bool platformSelected[PLATFORM_COUNT] = {};
    bool allPlatforms = true;
    char languageDir[TOOL_PATH_SIZE] = "english/";
    char logFileName[TOOL_PATH_SIZE] = "Auralith.log";
    std::vector<std::string> aliasFiles;
    bool useHistory = true;
    bool optimizeCompression = false;
    bool verbose = false;
    bool sync = false;
    bool ignoreOrphans = false;
    bool skipStreamed = false;
    bool skipLoaded = false;
    bool skipLocalized = false;
    bool skipNonLocalized = false;
    bool listFiles = false;
    bool copyStreamed = false;
    char copyDestination[TOOL_PATH_SIZE] = "";
    bool check3D = false;
    bool checkPriv = false;
    int jobs = 1;        // sound files converted at the same time; 0 asks for one per processor
    bool dryRun = false; // decide only: nothing on disk changes but the log
    char reportJson[TOOL_PATH_SIZE] = ""; // where the record of the run goes, or empty
};

struct ToolFolders
{
    char baseDir[TOOL_PATH_SIZE] = "";
    char sourceRoot[TOOL_PATH_SIZE] = "";
    char tempDir[TOOL_PATH_SIZE] = "";
    LocalizedPrefix localizedPrefixes[2] = {};
};

struct ToolRun
{
    uint32_t startTime = 0;
    uint32_t encodeTime = 0;
    uint32_t otherTime = 0;
    int platformIndex = 0;
    const PlatformInfo *platform = nullptr;
    std::set<std::string, Str_CaseLess> orphanCandidates;
    SoundFileList loadedList = {nullptr, 0};
    SoundFileList streamedList = {nullptr, 0};
    int32_t filesCount = 0;
    int32_t updatedCount = 0; // program launches, those that could not start included
    CompressionTable compressionTable = {};
    XUHistoryLists historyLists;
    std::vector<ToolErrorRecord> errors;
    // The output folders this run has made sure of: the target folders of thousands of
    // sounds are few, and each needs making (or looking at) only once per run.
    std::unordered_set<std::string> knownFolders;
    std::string lastFolder; // the one of them the list loop looked at last
    // What the run did with each sound file, kept when "-report-json" asks for it.
    RunRecord record;

    // Counts a program launch in UPDATED and the milliseconds it ran in the encoding time.
    void CountLaunch(uint32_t milliseconds)
    {
        ++updatedCount;
        encodeTime += milliseconds;
    }
};

struct ToolState
{
    ToolOptions options;
    ToolFolders folders;
    ToolRun run;
};

extern ToolState toolState;
