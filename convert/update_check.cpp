// Source and target paths of a sound file, and the up-to-date decision.
#include "convert/update_check.h"

#include "engine/common/format.h"
#include "platform/files.h"
#include "records/history_entry.h"
#include "records/paths.h"

#include <cstring>
#include <initializer_list>

namespace
{
// Joins the texts in out (TOOL_PATH_SIZE bytes, cut and always terminated as a formatted
// print would); false when they do not fit.
bool JoinPath(char *out, std::initializer_list<const char *> parts)
{
    size_t length = 0;
    bool fits = true;
    for (const char *part : parts)
    {
        size_t size = strlen(part);
        if (length + size >= static_cast<size_t>(TOOL_PATH_SIZE))
        {
            size = static_cast<size_t>(TOOL_PATH_SIZE) - 1 - length;
            fits = false;
        }
        memcpy(out + length, part, size);
        length += size;
    }
    out[length] = 0;
    return fits;
}

// "root/word/languagePartsound/file" in out; false when it does not fit.
bool FormatPath(char *out, const char *root, const char *word, const char *languagePart,
                const char *file)
{
    return JoinPath(out, {root, "/", word, "/", languagePart, "sound/", file});
}

// The target with the platform's extension and backslashes; false when it does not fit.
bool FinishTarget(char *target, const PlatformInfo *platform)
{
    if (strlen(target) + strlen(platform->targetExt) >= TOOL_PATH_SIZE)
        return false;
    Tool_ReplaceExtension(target, platform->targetExt);
    Tool_BackSlashPath(target);
    return true;
}

SoundFilePrepared NameTooLong(const char *historyName)
{
    Tool_AddError(0, historyName, TOOL_ERROR_NAME_TOO_LONG);
    return SOUND_FILE_NAME_TOO_LONG;
}
} // namespace

SoundFilePathsResult Tool_FormSoundFilePaths(const char *outputRoot, const SoundFileEntry *entry,
                                             SoundFilePaths *paths)
{
    const PlatformInfo *platform = toolState.run.platform;
    const ToolOptions &options = toolState.options;

    const char *languagePart = "";
    for (const LocalizedPrefix &prefix : toolState.folders.localizedPrefixes)
        if (prefix.text != nullptr &&
            Str_CaseCompareN(entry->file, prefix.text, prefix.length) == 0)
        {
            languagePart = options.languageDir;
            break;
        }
    paths->localized = languagePart[0] != 0;
    if ((paths->localized && options.skipLocalized) ||
        (!paths->localized && options.skipNonLocalized))
        return SOUND_PATHS_SKIPPED;

    // Paths hold 259 characters; a language word and a name that do not fit together are
    // refused like a name that is too long.
    if (!JoinPath(paths->historyName, {languagePart, entry->file}))
        return SOUND_PATHS_TOO_LONG;

    char baseName[64];
    Str_Copy(baseName, entry->file, sizeof(baseName));
    if (char *platformExt = strstr(baseName, platform->platformSourceExt))
    {
        *platformExt = 0;
        Str_StripExtension(baseName, baseName);
        if (strlen(baseName) + 4 >= sizeof(baseName))
            return SOUND_PATHS_TOO_LONG;
        strcat(baseName, ".wav");
    }
    for (const char *part = baseName; *part;)
    {
        const char *slash = strchr(part, '/');
        size_t length = slash ? static_cast<size_t>(slash - part) : strlen(part);
        if (length > static_cast<size_t>(platform->maxNameComponent))
            return SOUND_PATHS_TOO_LONG;
        part += length + (slash ? 1 : 0);
    }

    const char *sourceRoot = toolState.folders.sourceRoot;
    const char *rawWord = entry->streamed ? platform->rawStreamedDir : platform->rawLoadedDir;
    const char *devrawWord =
        entry->streamed ? platform->devrawStreamedDir : platform->devrawLoadedDir;
    if (!FormatPath(paths->rawSource, sourceRoot, "raw", languagePart, entry->file) ||
        !FormatPath(paths->rawTarget, outputRoot, rawWord, languagePart, baseName))
        return SOUND_PATHS_TOO_LONG;
    paths->devrawFits =
        FormatPath(paths->devrawSource, sourceRoot, "devraw", languagePart, entry->file) &&
        FormatPath(paths->devrawTarget, outputRoot, devrawWord, languagePart, baseName);
    return SOUND_PATHS_FORMED;
}

SoundFilePrepared Tool_PrepareSoundFile(const char *outputRoot, const SoundFileEntry *entry,
                                        SoundFileJob *job)
{
    SoundFilePaths paths;
    SoundFilePathsResult formed = Tool_FormSoundFilePaths(outputRoot, entry, &paths);
    job->localized = paths.localized;
    job->sourcePath[0] = 0;
    job->targetPath[0] = 0;
    if (formed == SOUND_PATHS_SKIPPED)
        return SOUND_FILE_SKIPPED;
    Str_Copy(job->historyName, paths.historyName, sizeof(job->historyName));
    if (formed == SOUND_PATHS_TOO_LONG)
        return NameTooLong(job->historyName);

    const PlatformInfo *platform = toolState.run.platform;
    job->devraw = !Plat_CanRead(paths.rawSource);
    if (job->devraw && !paths.devrawFits)
        return NameTooLong(job->historyName);
    const char *source = job->devraw ? paths.devrawSource : paths.rawSource;
    if (job->devraw && !Plat_CanRead(source))
    {
        Tool_AddError(2, source, 0);
        return SOUND_FILE_SOURCE_MISSING;
    }
    Str_Copy(job->sourcePath, source, sizeof(job->sourcePath));
    Str_Copy(job->targetPath, job->devraw ? paths.devrawTarget : paths.rawTarget,
             sizeof(job->targetPath));

    if (strstr(job->sourcePath, platform->platformSourceExt) == nullptr)
    {
        char platformSource[TOOL_PATH_SIZE + 16];
        Str_Copy(platformSource, job->sourcePath, TOOL_PATH_SIZE);
        Tool_ReplaceExtension(platformSource, platform->platformSourceExt);
        if (strlen(platformSource) >= TOOL_PATH_SIZE)
            return NameTooLong(job->historyName);
        if (!Plat_CanRead(platformSource))
        {
            Str_StripExtension(platformSource, platformSource);
            Str_StripExtension(platformSource, platformSource);
            strcat(platformSource, ".wav");
        }
        Str_Copy(job->sourcePath, platformSource, TOOL_PATH_SIZE);
    }
    if (!FinishTarget(job->targetPath, platform))
        return NameTooLong(job->historyName);
    Tool_BackSlashPath(job->sourcePath);
    return SOUND_FILE_PREPARED;
}

ConversionReason Tool_DecideConversion(const XUHistoryEntry *record, bool created,
                                       int32_t compressionSetting, const SoundFileJob &job)
{
    if (created)
        return CONVERSION_NO_HISTORY_RECORD;
    if (record->compressionSetting != compressionSetting)
        return CONVERSION_COMPRESSION_CHANGED;
    uint64_t targetTime = 0;
    uint64_t sourceTime = 0;
    if (!Plat_GetLastWriteTime(job.targetPath, &targetTime))
        return CONVERSION_TARGET_MISSING;
    if (!Plat_GetLastWriteTime(job.sourcePath, &sourceTime) || sourceTime > targetTime)
        return CONVERSION_SOURCE_NEWER;
    return CONVERSION_UP_TO_DATE;
}

bool Tool_IsTargetStale(const char *targetPath, const char *sourcePath)
{
    uint64_t targetTime = 0;
    uint64_t sourceTime = 0;
    if (!Plat_GetLastWriteTime(targetPath, &targetTime) ||
        !Plat_GetLastWriteTime(sourcePath, &sourceTime))
        return true;
    return sourceTime > targetTime;
}
