// The list loop and the up-to-date decision.
#include "convert/update_check.h"

#include "platform/files.h"
#include "platform/interrupt.h"
#include "tool/name_index.h"
#include "tool/paths.h"
#include "tool/progress.h"
#include "tool/tool_state.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <unordered_set>

namespace
{
// Folders this run has already made sure of; the target folders of thousands of sounds
// are few, and each needs making only once.
std::unordered_set<std::string> knownFolders;

// While a list loop converts (no action), the orphan candidates by their path ignoring
// ASCII case: taking a target out is then one hash lookup, not a descent through the
// ordered set comparing long paths. Nothing but the loop changes the set while it runs,
// so the positions and the texts they hold stay valid. Building it costs one pass over
// the set, as the walk did.
using CandidateSet = decltype(toolState.orphanCandidates);
const char *CandidatePath(const CandidateSet::iterator &candidate)
{
    return candidate->c_str();
}
bool orphanIndexActive = false;
NameIndex<CandidateSet::iterator, CandidatePath> orphanIndex;

struct OrphanIndexScope
{
    explicit OrphanIndexScope(bool wanted)
    {
        if (!wanted)
            return;
        orphanIndex.Reserve(toolState.orphanCandidates.size());
        for (auto it = toolState.orphanCandidates.begin(); it != toolState.orphanCandidates.end();
             ++it)
            orphanIndex.Set(it);
        orphanIndexActive = true;
    }
    ~OrphanIndexScope()
    {
        orphanIndexActive = false;
        orphanIndex.Clear();
    }
};

void RemoveOrphanCandidate(const char *targetPath)
{
    if (!orphanIndexActive)
    {
        toolState.orphanCandidates.erase(targetPath);
        return;
    }
    auto *found = orphanIndex.Find(targetPath);
    if (found == nullptr)
        return;
    CandidateSet::iterator candidate = found->value;
    orphanIndex.Remove(found);
    toolState.orphanCandidates.erase(candidate);
}

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

void MakeTargetFolder(const char *targetPath)
{
    const char *last = strrchr(targetPath, '\\');
    if (last == nullptr)
        return;
    // Files come folder by folder: the folder of the last file needs no second look.
    static std::string lastFolder;
    size_t length = static_cast<size_t>(last - targetPath + 1);
    if (lastFolder.size() == length && lastFolder.compare(0, length, targetPath, length) == 0)
        return;
    lastFolder.assign(targetPath, length);
    // An existing folder costs one look; making it would try every prefix of its path.
    if (knownFolders.insert(lastFolder).second && !Plat_IsDirectory(lastFolder.c_str()))
        Tool_MakeDirPath(lastFolder.c_str());
}

bool NameTooLong(const char *historyName)
{
    Tool_AddError(0, historyName, TOOL_ERROR_NAME_TOO_LONG);
    return false;
}
} // namespace

void Tool_ProcessSoundList(SoundFileEntry *head, int count, Tool_FileAction action)
{
    char outputRoot[TOOL_PATH_SIZE];
    Com_FormatBuffer(outputRoot, sizeof(outputRoot), "%s%s", toolState.baseDir,
                     toolState.platform->outputDir);
    if (count == 0 || head == nullptr)
        return;
    OrphanIndexScope index(action == nullptr && !toolState.orphanCandidates.empty());
    // After an interrupt no further entry is visited; those not reached keep their
    // history records as they were read.
    for (SoundFileEntry *entry = head; entry != nullptr && !Plat_Interrupted(); entry = entry->next)
    {
        ++toolState.filesCount;
        Tool_ProcessSoundFile(outputRoot, entry, action);
        Tool_UpdateProgress();
    }
}

void Tool_ProcessSoundFile(const char *outputRoot, SoundFileEntry *entry, Tool_FileAction action)
{
    char sourcePath[TOOL_PATH_SIZE];
    char targetPath[TOOL_PATH_SIZE];
    XUHistoryEntry *history = nullptr;
    if (!Tool_PrepareSoundFile(outputRoot, &history, entry, sourcePath, targetPath, action))
        return;
    if (toolState.verbose)
    {
        size_t skip = strlen(toolState.baseDir);
        Com_Print(CHANNEL_TOOL, "Process %s -> %s\n",
                  strlen(sourcePath) >= skip ? sourcePath + skip : sourcePath,
                  strlen(targetPath) >= skip ? targetPath + skip : targetPath);
    }
    if (action != nullptr)
        action(entry, sourcePath, targetPath, nullptr);
    else
        toolState.platform->encode(entry, sourcePath, targetPath, history);
}

bool Tool_PrepareSoundFile(const char *outputRoot, XUHistoryEntry **historySlot,
                           SoundFileEntry *entry, char *sourcePath, char *targetPath,
                           Tool_FileAction action)
{
    const PlatformInfo *platform = toolState.platform;

    const char *languagePart = "";
    for (const LocalizedPrefix &prefix : toolState.localizedPrefixes)
        if (prefix.text != nullptr &&
            Str_CaseCompareN(entry->file, prefix.text, prefix.length) == 0)
        {
            languagePart = toolState.languageDir;
            break;
        }
    bool localized = languagePart[0] != 0;
    if ((localized && toolState.skipLocalized) || (!localized && toolState.skipNonLocalized))
        return false;

    // Paths hold 259 characters; a language word and a name that do not fit together are
    // refused like a name that is too long.
    char historyName[TOOL_PATH_SIZE];
    if (!JoinPath(historyName, {languagePart, entry->file}))
        return NameTooLong(historyName);

    char baseName[64];
    Str_Copy(baseName, entry->file, sizeof(baseName));
    if (char *platformExt = strstr(baseName, platform->platformSourceExt))
    {
        *platformExt = 0;
        Str_StripExtension(baseName, baseName);
        if (strlen(baseName) + 4 >= sizeof(baseName))
            return NameTooLong(historyName);
        strcat(baseName, ".wav");
    }
    for (const char *part = baseName; *part;)
    {
        const char *slash = strchr(part, '/');
        size_t length = slash ? static_cast<size_t>(slash - part) : strlen(part);
        if (length > static_cast<size_t>(platform->maxNameComponent))
            return NameTooLong(historyName);
        part += length + (slash ? 1 : 0);
    }

    bool devraw = false;
    const char *word = entry->streamed ? platform->rawStreamedDir : platform->rawLoadedDir;
    if (!FormatPath(sourcePath, toolState.sourceRoot, "raw", languagePart, entry->file) ||
        !FormatPath(targetPath, outputRoot, word, languagePart, baseName))
        return NameTooLong(historyName);
    if (!Plat_CanRead(sourcePath))
    {
        devraw = true;
        word = entry->streamed ? platform->devrawStreamedDir : platform->devrawLoadedDir;
        if (!FormatPath(sourcePath, toolState.sourceRoot, "devraw", languagePart, entry->file) ||
            !FormatPath(targetPath, outputRoot, word, languagePart, baseName))
            return NameTooLong(historyName);
        if (!Plat_CanRead(sourcePath))
        {
            Tool_AddError(2, sourcePath, 0);
            return false;
        }
    }

    if (strstr(sourcePath, platform->platformSourceExt) == nullptr)
    {
        char platformSource[TOOL_PATH_SIZE + 16];
        Str_Copy(platformSource, sourcePath, TOOL_PATH_SIZE);
        Tool_ReplaceExtension(platformSource, platform->platformSourceExt);
        if (strlen(platformSource) >= TOOL_PATH_SIZE)
            return NameTooLong(historyName);
        if (!Plat_CanRead(platformSource))
        {
            Str_StripExtension(platformSource, platformSource);
            Str_StripExtension(platformSource, platformSource);
            strcat(platformSource, ".wav");
        }
        Str_Copy(sourcePath, platformSource, TOOL_PATH_SIZE);
    }

    if (strlen(targetPath) + strlen(platform->targetExt) >= TOOL_PATH_SIZE)
        return NameTooLong(historyName);
    Tool_ReplaceExtension(targetPath, platform->targetExt);
    Tool_BackSlashPath(sourcePath);
    Tool_BackSlashPath(targetPath);
    if (action != nullptr)
        return true;

    MakeTargetFolder(targetPath);
    RemoveOrphanCandidate(targetPath);

    XUHistoryLists before = toolState.historyLists;
    XUHistoryEntry *history =
        Tool_FindHistoryEntry(historyName, entry->compressionSetting, entry->streamed, devraw);
    *historySlot = history;
    XUHistoryEntry *headBefore = entry->streamed ? before.streamed : before.loaded;
    XUHistoryEntry *headAfter =
        entry->streamed ? toolState.historyLists.streamed : toolState.historyLists.loaded;
    if (headAfter != headBefore)
        return true;
    if (history->compressionSetting != entry->compressionSetting ||
        Tool_IsTargetStale(targetPath, sourcePath))
    {
        history->compressionSetting = entry->compressionSetting;
        history->devOnly = devraw;
        return true;
    }
    if (toolState.verbose)
        Com_Print(CHANNEL_TOOL, "Skipping up to date sound file %s.\n", sourcePath);
    return false;
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
