// Orphans (converted files that no alias uses any more), the run report and the
// timing lines.
#include "tool/report.h"

#include "engine/common/console.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/find.h"
#include "platform/system.h"
#include "records/paths.h"
#include "records/tool_state.h"

#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
// The folders one orphan walk has already been through, with the error records each
// walk added. A directory word that occurs twice names the same folders again; walking
// them again would insert only paths the set already holds, so the second walk replays
// the first's error records instead of reading the disk again.
using WalkedFolders = std::unordered_map<std::string, std::vector<ToolErrorRecord>>;

void WalkOutputFolder(const char *outputRoot, const char *word, const char *languagePart,
                      WalkedFolders *walked)
{
    char folder[TOOL_PATH_SIZE];
    Com_FormatBuffer(folder, sizeof(folder), "%s\\%s\\%ssound", outputRoot, word, languagePart);
    Tool_BackSlashPath(folder);
    auto found = walked->find(folder);
    if (found != walked->end())
    {
        toolState.run.errors.insert(toolState.run.errors.end(), found->second.begin(),
                                    found->second.end());
        return;
    }
    size_t errorsBefore = toolState.run.errors.size();
    // A dry run makes no folder; one that a real run would make is empty.
    if (toolState.options.dryRun && !Plat_IsDirectory(folder) && !Plat_CanRead(folder))
        return;
    if (!toolState.options.dryRun)
        Tool_MakeDirPath(folder);
    Tool_CollectOutputFiles(folder, toolState.run.platform->targetExt);
    (*walked)[folder].assign(toolState.run.errors.begin() + static_cast<long>(errorsBefore),
                             toolState.run.errors.end());
}

// The walk below folder. ancestors holds the identities of the folders from the walk's
// root down to folder's parent: a folder that is one of them (reached again through a
// link) is not entered, which ends every loop of links and changes nothing else.
void CollectOutputFiles(const char *folder, const char *extension,
                        std::vector<PlatFolderId> *ancestors)
{
    std::string pattern = std::string(folder) + "\\*";
    PlatFindData data;
    PlatFind *find = Plat_FindFirst(pattern.c_str(), &data);
    if (find == nullptr)
    {
        Tool_AddError(Plat_LastError(), pattern.c_str(), 0);
        return;
    }
    PlatFolderId self;
    bool identified = Plat_FindFolderId(find, &self);
    if (identified)
    {
        for (const PlatFolderId &ancestor : *ancestors)
            if (ancestor.volume == self.volume && ancestor.index == self.index)
            {
                Plat_FindClose(find);
                return;
            }
        ancestors->push_back(self);
    }
    std::vector<std::string> subfolders;
    std::string lastName;
    // A folder lists its files nearly in the set's order, so each path is tried first
    // just before the successor of the one inserted last.
    auto hint = toolState.run.orphanCandidates.end();
    std::string path = std::string(folder) + "\\";
    size_t folderLength = path.size();
    bool more = true;
    while (more)
    {
        lastName = data.name;
        if (data.isDirectory)
        {
            if (Str_CaseCompare(data.name, ".") != 0 && Str_CaseCompare(data.name, "..") != 0)
                subfolders.push_back(data.name);
        }
        else
        {
            const char *dot = strrchr(data.name, '.');
            if (Str_CaseCompare(dot ? dot : "", extension) == 0)
            {
                path.resize(folderLength);
                path += data.name;
                hint = std::next(toolState.run.orphanCandidates.insert(hint, path));
            }
        }
        more = Plat_FindNext(find, &data);
    }
    uint32_t endCode = Plat_LastError();
    Plat_FindClose(find);
    if (endCode != PLAT_ERROR_NO_MORE_FILES)
        Tool_AddError(endCode, lastName.c_str(), 0);
    for (const std::string &name : subfolders)
        CollectOutputFiles((std::string(folder) + "\\" + name).c_str(), extension, ancestors);
    if (identified)
        ancestors->pop_back();
}

void PrintDuration(const char *format, uint32_t milliseconds)
{
    int seconds = static_cast<int>(milliseconds / 1000);
    Com_Print(CHANNEL_TOOL, format, seconds / 3600, (seconds / 60) % 60, seconds % 60);
}
} // namespace

void Tool_FindOrphanCandidates(const char *outputRoot)
{
    const PlatformInfo *platform = toolState.run.platform;
    const char *words[4] = {platform->rawStreamedDir, platform->rawLoadedDir,
                            platform->devrawStreamedDir, platform->devrawLoadedDir};
    WalkedFolders walked;
    for (const char *word : words)
    {
        if (!toolState.options.skipLocalized)
            WalkOutputFolder(outputRoot, word, toolState.options.languageDir, &walked);
        if (!toolState.options.skipNonLocalized)
            WalkOutputFolder(outputRoot, word, "", &walked);
    }
}

void Tool_CollectOutputFiles(const char *folder, const char *extension)
{
    std::vector<PlatFolderId> ancestors;
    CollectOutputFiles(folder, extension, &ancestors);
}

int Tool_PrintReport()
{
    if (!toolState.options.ignoreOrphans)
    {
        Com_ErrorPrint("\n\n---------------------------\n\tOrphans\n---------------------------");
        for (const std::string &path : toolState.run.orphanCandidates)
            Com_Print(CHANNEL_TOOL, "\n%s", path.c_str());
    }
    int errorCount = static_cast<int>(toolState.run.errors.size());
    if (errorCount > 0)
    {
        Com_Print(CHANNEL_TOOL,
                  "\n---------------------------\n\tErrors\n---------------------------\n");
        for (const ToolErrorRecord &record : toolState.run.errors)
        {
            if (record.systemError == PLAT_ERROR_FILE_NOT_FOUND)
            {
                if (toolState.options.verbose)
                    Com_ErrorPrint("missing file %s\n", record.text);
            }
            else if (record.systemError == PLAT_ERROR_PATH_NOT_FOUND)
            {
                if (toolState.options.verbose)
                    Com_ErrorPrint("missing path %s\n", record.text);
            }
            else if (const char *message = Tool_ErrorRecordMessage(record))
                Com_ErrorPrint("%s %s\n", record.text, message);
        }
    }
    Com_Print(CHANNEL_TOOL, "\n\n---------------------------\nFILES: \t\t%d\n",
              toolState.run.filesCount);
    Com_Print(CHANNEL_TOOL, "UPDATED: \t%d\n", toolState.run.updatedCount);
    if (!toolState.options.ignoreOrphans)
        Com_Print(CHANNEL_TOOL, "OPRHANS: \t%d\n",
                  static_cast<int>(toolState.run.orphanCandidates.size()));
    if (errorCount > 0)
        Com_Print(CHANNEL_TOOL, "ERRORS: \t%d\n", errorCount);
    Com_Print(CHANNEL_TOOL, "----------------------------");
    return errorCount;
}

void Tool_PrintTiming()
{
    PrintDuration("\n\ntime spent encoding: %02dh %02dm %02ds.\n", toolState.run.encodeTime);
    PrintDuration("time spent on other procs: %02dh %02dm %02ds.\n", toolState.run.otherTime);
}
