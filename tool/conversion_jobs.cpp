// The jobs of a run with "-jobs": conversions in hand, their programs, and the queue of
// results committed in list order.
#include "tool/conversion_jobs.h"

#include "convert/encoder_pc.h"
#include "engine/common/format.h"
#include "engine/common/str.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "records/tool_state.h"
#include "tool/progress.h"

#include <deque>
#include <memory>
#include <vector>

namespace
{
// What waits to be committed, in list order: the records of an entry's decision, or a
// conversion (finished once its job let it go).
struct Pending
{
    const SoundFileEntry *entry = nullptr;
    std::vector<ToolErrorRecord> records;
    std::unique_ptr<PcConversion> conversion;
    bool finished = false;
};

struct Job
{
    char scratch[TOOL_PATH_SIZE]; // the job's scratch folder
    bool scratchMade = false;
    PcConversion *conversion = nullptr; // in hand, or null when the job is free
    Pending *pending = nullptr;         // where its result waits (deque elements stay put)
    PlatProcess *process = nullptr;     // its program running, or null
    uint32_t launched = 0;              // when the program started
};

struct Jobs
{
    bool active = false;
    std::vector<Job> jobs;
    std::deque<Pending> pending;
};
Jobs jobs;

void CommitFinished()
{
    while (!jobs.pending.empty() && jobs.pending.front().finished)
    {
        Pending &front = jobs.pending.front();
        // The records are the entry's own, for the record of the run.
        toolState.run.record.current = front.entry;
        Tool_AppendErrorRecords(front.records);
        if (front.conversion != nullptr)
            Tool_CommitPcConversion(*front.conversion);
        toolState.run.record.current = nullptr;
        jobs.pending.pop_front();
    }
}

void ShowJob(int index)
{
    const Job &job = jobs.jobs[static_cast<size_t>(index)];
    Tool_ProgressJob(index, job.conversion != nullptr ? job.conversion->entry->file : nullptr);
}

// Takes the job's conversion on until its next program runs or it is finished.
void Advance(int index)
{
    Job &job = jobs.jobs[static_cast<size_t>(index)];
    while (const char *const *argv = Tool_NextPcLaunch(job.conversion))
    {
        job.launched = Plat_Milliseconds();
        job.process = Plat_Spawn(argv);
        if (job.process != nullptr)
            return;
        // A program that cannot start is a launch that failed, as when waited for.
        toolState.run.CountLaunch(0);
        Tool_PcLaunchEnded(job.conversion, -1, Plat_LastError(), 0);
    }
    Tool_FinishPcConversion(job.conversion);
    job.pending->finished = true;
    job.conversion = nullptr;
    job.pending = nullptr;
    ShowJob(index);
    CommitFinished();
}

// Waits for the first program of the running jobs to end and takes its job on.
void WaitForOne()
{
    std::vector<PlatProcess *> running;
    for (const Job &job : jobs.jobs)
        running.push_back(job.process);
    int status = -1;
    int index = Plat_WaitAny(running.data(), static_cast<int>(running.size()), &status);
    if (index < 0)
    {
        // The system lost track of the programs: each counts as failed, so that the run
        // still ends.
        uint32_t lastError = Plat_LastError();
        for (size_t i = 0; i < jobs.jobs.size(); ++i)
            if (jobs.jobs[i].process != nullptr)
            {
                jobs.jobs[i].process = nullptr;
                toolState.run.CountLaunch(0);
                Tool_PcLaunchEnded(jobs.jobs[i].conversion, -1, lastError, 0);
                Advance(static_cast<int>(i));
            }
        return;
    }
    Job &job = jobs.jobs[static_cast<size_t>(index)];
    uint32_t lastError = Plat_LastError();
    job.process = nullptr;
    uint32_t milliseconds = Plat_Milliseconds() - job.launched;
    toolState.run.CountLaunch(milliseconds);
    Tool_PcLaunchEnded(job.conversion, status, lastError, milliseconds);
    Advance(index);
    Tool_UpdateProgress();
}

bool AnyRunning()
{
    for (const Job &job : jobs.jobs)
        if (job.process != nullptr)
            return true;
    return false;
}

// True while a conversion in hand writes target (paths compared ignoring ASCII case, as the
// file system does).
bool TargetInHand(const char *target)
{
    for (const Job &job : jobs.jobs)
        if (job.conversion != nullptr && Str_CaseCompare(job.conversion->targetPath, target) == 0)
            return true;
    return false;
}
} // namespace

void Tool_BeginJobs(int count)
{
    jobs = Jobs{};
    jobs.active = true;
    jobs.jobs.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        Com_FormatBuffer(jobs.jobs[static_cast<size_t>(i)].scratch, TOOL_PATH_SIZE, "%s\\%d",
                         toolState.folders.tempDir, i + 1);
}

bool Tool_JobsActive()
{
    return jobs.active;
}

void Tool_HoldRecordsBehindJobs(const SoundFileEntry *entry, size_t firstRecord)
{
    std::vector<ToolErrorRecord> &errors = toolState.run.errors;
    if (jobs.pending.empty() || errors.size() <= firstRecord)
        return;
    Pending held;
    held.entry = entry;
    held.records.assign(errors.begin() + static_cast<long>(firstRecord), errors.end());
    held.finished = true;
    errors.resize(firstRecord);
    // The record of the run names them again when they are committed.
    if (SoundFileRecord *record = Tool_SoundFileRecord(entry))
        record->errors.clear();
    jobs.pending.push_back(std::move(held));
}

void Tool_StartConversion(SoundFileEntry *entry, const SoundFileJob &job, XUHistoryEntry *record)
{
    // Two entries of one target (door.wav and door.pc.wav) are converted one after the
    // other, as without jobs: the later one's target wins.
    while (TargetInHand(job.targetPath) && AnyRunning())
        WaitForOne();
    int free = -1;
    for (;;)
    {
        for (size_t i = 0; i < jobs.jobs.size() && free < 0; ++i)
            if (jobs.jobs[i].conversion == nullptr)
                free = static_cast<int>(i);
        if (free >= 0)
            break;
        WaitForOne();
    }
    Job &slot = jobs.jobs[static_cast<size_t>(free)];
    if (!slot.scratchMade)
    {
        Plat_MakeDir(slot.scratch);
        slot.scratchMade = true;
    }
    Pending pending;
    pending.entry = entry;
    pending.conversion = std::make_unique<PcConversion>();
    slot.conversion = pending.conversion.get();
    jobs.pending.push_back(std::move(pending));
    slot.pending = &jobs.pending.back();
    Tool_BeginPcConversion(slot.conversion, entry, job.sourcePath, job.targetPath, record,
                           slot.scratch);
    ShowJob(free);
    Advance(free);
}

void Tool_EndJobs()
{
    if (!jobs.active)
        return;
    while (AnyRunning())
        WaitForOne();
    CommitFinished();
    for (Job &job : jobs.jobs)
    {
        if (!job.scratchMade)
            continue;
        Tool_RemovePcScratchFiles(job.scratch);
        Plat_RemoveDir(job.scratch);
    }
    jobs = Jobs{};
}
