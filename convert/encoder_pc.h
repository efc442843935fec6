// The "pc" platform's encoder: resampling and compression through external programs,
// then the PRIV header chunk, trimming or loop padding, and the target written.
#pragma once

#include "records/error_records.h"
#include "records/history_entry.h"
#include "records/run_record.h"
#include "records/sound_entry.h"
#include "records/tool_state.h"

#include <cstdint>
#include <vector>

// Converts the source into the target. Failures are recorded and mark the history
// record failed; the target is then left as it was.
void Tool_EncodeSoundPC(SoundFileEntry *entry, const char *sourcePath, const char *targetPath,
                        XUHistoryEntry *history);

// One sound file's conversion, as steps, so that a caller can keep several in hand and
// run their programs side by side: Begin reads the source and plans the programs; each
// NextLaunch names the program to start next (null once none is left to start), and
// LaunchEnded takes its outcome; Finish writes the target or takes the failure path.
// Between the steps nothing of the run state is touched: the error records and the
// failure stay in the conversion until Commit, so that results can be committed in the
// order of the work list whatever order the programs end in. Tool_EncodeSoundPC is these
// steps one after the other.
enum PcStage
{
    PC_RESAMPLE,  // sox.exe next
    PC_WMA,       // WMAEncode.exe next, when permitted
    PC_ADPCM,     // AdpcmEncode.exe next, when permitted
    PC_PCM,       // no program: the input itself, when permitted
    PC_WRITE,     // a converted file to read and write as the target
    PC_FAILED,    // the failure path: "during encoding" and the history record failed
    PC_ABANDONED, // given up after an interrupt: no record, the history record failed
    PC_DONE,
};

struct PcConversion
{
    SoundFileEntry *entry;
    XUHistoryEntry *history;
    char sourcePath[TOOL_PATH_SIZE];
    char targetPath[TOOL_PATH_SIZE];
    char ratePath[TOOL_PATH_SIZE];   // the resampler's output
    char encodePath[TOOL_PATH_SIZE]; // the encoders' output
    char rateText[16];
    PcStage stage;
    bool allowWma, allowAdpcm, allowPcm;
    const char *input;     // what the encoders read: the source or the resampled file
    const char *converted; // what becomes the target once a stage succeeded
    const char *argv[8];   // the launch in hand
    uint32_t lastError;    // the system's last error as this conversion's own calls left it
    std::vector<ToolErrorRecord> errors;
    std::vector<ProgramLaunchRecord> launches;
    bool failed;    // set by Finish unless the target was written
    bool abandoned; // given up after an interrupt
};

// scratchFolder holds the programs' two output files (the run's scratch folder, or a
// folder of one job below it).
void Tool_BeginPcConversion(PcConversion *conversion, SoundFileEntry *entry, const char *sourcePath,
                            const char *targetPath, XUHistoryEntry *history,
                            const char *scratchFolder);
// The program to start next, its output removed first; null when none is to be started.
// After an interrupt no program starts and the conversion is given up.
const char *const *Tool_NextPcLaunch(PcConversion *conversion);
// The outcome of the program NextPcLaunch named: its exit status (-1 when it could not
// start or did not exit normally), the system's last error as its start or its wait left
// it, and the milliseconds it took.
void Tool_PcLaunchEnded(PcConversion *conversion, int exitStatus, uint32_t lastError,
                        uint32_t milliseconds);
// Writes the target, or records the failure; the conversion is then done.
void Tool_FinishPcConversion(PcConversion *conversion);
// Removes the programs' output files from a scratch folder (BeginPcConversion's).
void Tool_RemovePcScratchFiles(const char *scratchFolder);
// Appends the conversion's error records to the run's, marks its history record failed
// when it did not succeed, and completes the entry's record of the run.
void Tool_CommitPcConversion(const PcConversion &conversion);
