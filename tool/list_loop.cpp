// The list loop and what it does for each sound file, in one place and in a fixed order:
// the paths and the source, the output folder, the orphan candidate, the history record,
// the decision, and the encoder or the side action.
#include "tool/list_loop.h"

#include "assets/history.h"
#include "convert/update_check.h"
#include "engine/common/console.h"
#include "engine/common/name_index.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "records/paths.h"
#include "records/tool_state.h"
#include "tool/conversion_jobs.h"
#include "tool/progress.h"

#include <cstring>
#include <string>

namespace
{
// While a list loop converts (no action), the orphan candidates by their path ignoring
// ASCII case: taking a target out is then one hash lookup, not a descent through the
// ordered set comparing long paths. Nothing but the loop changes the set while it runs,
// so the positions and the texts they hold stay valid. Building it costs one pass over
// the set, as the walk did.
using CandidateSet = decltype(toolState.run.orphanCandidates);
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
        CandidateSet &candidates = toolState.run.orphanCandidates;
        orphanIndex.Reserve(candidates.size());
        for (auto it = candidates.begin(); it != candidates.end(); ++it)
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
        toolState.run.orphanCandidates.erase(targetPath);
        return;
    }
    auto *found = orphanIndex.Find(targetPath);
    if (found == nullptr)
        return;
    CandidateSet::iterator candidate = found->value;
    orphanIndex.Remove(found);
    toolState.run.orphanCandidates.erase(candidate);
}

void MakeTargetFolder(const char *targetPath)
{
    const char *last = strrchr(targetPath, '\\');
    if (last == nullptr)
        return;
    // Files come folder by folder: the folder of the file before needs no second look.
    std::string &previous = toolState.run.lastFolder;
    size_t length = static_cast<size_t>(last - targetPath + 1);
    if (previous.size() == length && previous.compare(0, length, targetPath, length) == 0)
        return;
    previous.assign(targetPath, length);
    // An existing folder costs one look; making it would try every prefix of its path.
    if (toolState.run.knownFolders.insert(previous).second && !Plat_IsDirectory(previous.c_str()))
        Tool_MakeDirPath(previous.c_str());
}

// The paths of a file relative to the kit root, as the "Process" line shows them.
const char *FromKitRoot(const char *path)
{
    size_t skip = strlen(toolState.folders.baseDir);
    return strlen(path) >= skip ? path + skip : path;
}

void PrintProcess(const SoundFileJob &job)
{
    if (toolState.options.verbose)
        Com_Print(CHANNEL_TOOL, "Process %s -> %s\n", FromKitRoot(job.sourcePath),
                  FromKitRoot(job.targetPath));
}

const char *const REASONS[] = {"up to date", "no history record", "compression setting changed",
                               "target missing", "source newer than target"};

// Notes in the record of the run (when one is kept) what became of the entry.
void Note(const SoundFileEntry *entry, const SoundFileJob &job, const char *decision,
          const char *reason)
{
    if (SoundFileRecord *record = Tool_SoundFileRecord(entry))
    {
        record->localized = job.localized;
        record->source = job.sourcePath;
        record->target = job.targetPath;
        record->decision = decision;
        record->reason = reason;
    }
}

// Everything of one entry up to the hand-over, in order: the paths and the source; with an
// action nothing more; otherwise the output folder, the orphan candidate, the history
// record and the decision. True when the entry goes on to the action or the encoder (the
// "Process" line then printed), with the history record of a conversion in record. A dry
// run makes no folder and hands nothing on: it says what would be converted and why.
bool DecideSoundFile(const char *outputRoot, SoundFileEntry *entry, Tool_FileAction action,
                     SoundFileJob *job, XUHistoryEntry **record)
{
    switch (Tool_PrepareSoundFile(outputRoot, entry, job))
    {
    case SOUND_FILE_PREPARED:
        break;
    case SOUND_FILE_SKIPPED:
        Note(entry, *job, "skipped", job->localized ? "localized" : "not localized");
        return false;
    case SOUND_FILE_NAME_TOO_LONG:
        Note(entry, *job, "failed", "name too long");
        return false;
    case SOUND_FILE_SOURCE_MISSING:
        Note(entry, *job, "failed", "source missing");
        return false;
    }
    if (action != nullptr)
    {
        PrintProcess(*job);
        return true;
    }
    if (!toolState.options.dryRun)
        MakeTargetFolder(job->targetPath);
    RemoveOrphanCandidate(job->targetPath);
    bool created = false;
    *record = Tool_FindHistoryEntry(job->historyName, entry->compressionSetting, entry->streamed,
                                    job->devraw, &created);
    ConversionReason reason =
        Tool_DecideConversion(*record, created, entry->compressionSetting, *job);
    if (reason == CONVERSION_UP_TO_DATE)
    {
        Note(entry, *job, "up to date", "");
        if (toolState.options.verbose)
            Com_Print(CHANNEL_TOOL, "Skipping up to date sound file %s.\n", job->sourcePath);
        return false;
    }
    Note(entry, *job, "converted", REASONS[reason]);
    if (!created)
    {
        (*record)->compressionSetting = entry->compressionSetting;
        (*record)->devOnly = job->devraw;
    }
    if (toolState.options.dryRun)
    {
        Com_Print(CHANNEL_TOOL, "would convert %s -> %s (%s)\n", FromKitRoot(job->sourcePath),
                  FromKitRoot(job->targetPath), REASONS[reason]);
        return false;
    }
    PrintProcess(*job);
    return true;
}
} // namespace

void Tool_ProcessSoundList(const char *outputRoot, SoundFileEntry *head, int count,
                           Tool_FileAction action)
{
    if (count == 0 || head == nullptr)
        return;
    OrphanIndexScope index(action == nullptr && !toolState.run.orphanCandidates.empty());
    // Those not reached after an interrupt keep their history records as they were read.
    for (SoundFileEntry *entry = head; entry != nullptr && !Plat_Interrupted(); entry = entry->next)
    {
        ++toolState.run.filesCount;
        Tool_ProcessSoundFile(outputRoot, entry, action);
        Tool_UpdateProgress();
    }
}

void Tool_ProcessSoundFile(const char *outputRoot, SoundFileEntry *entry, Tool_FileAction action)
{
    size_t firstRecord = toolState.run.errors.size();
    toolState.run.record.current = entry;
    SoundFileJob job;
    XUHistoryEntry *record = nullptr;
    bool handOn = DecideSoundFile(outputRoot, entry, action, &job, &record);
    if (action != nullptr)
    {
        if (handOn)
            action(entry, job.sourcePath, job.targetPath, nullptr);
    }
    else if (Tool_JobsActive())
    {
        Tool_HoldRecordsBehindJobs(entry, firstRecord);
        if (handOn)
            Tool_StartConversion(entry, job, record);
    }
    else if (handOn)
        toolState.run.platform->encode(entry, job.sourcePath, job.targetPath, record);
    toolState.run.record.current = nullptr;
}
