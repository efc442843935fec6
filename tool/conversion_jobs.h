// Conversions run side by side ("-jobs"). The list loop still decides every entry in list
// order; only the conversion of a file (its programs, reading their output, the PRIV chunk
// and the target written) runs beside others, each in a job with a scratch folder of its
// own. Results are committed in list order: the error records of the entries (those of
// their decision and those of their conversion), the history records' failed flags.
// Everything else a run shows (the lines printed, the counters, the history, the
// targets) therefore comes out as a run of one job at a time makes it.
//
// The tool stays single-threaded: programs are started without waiting, and the loop
// waits for whichever ends first. One thread owns all bookkeeping and every call into the
// platform layer, so nothing needs a lock, and the order of commits is plain code.
#pragma once

#include "convert/update_check.h"
#include "records/history_entry.h"
#include "records/sound_entry.h"

#include <cstddef>

// Prepares count jobs (2 to 64) for the run. Their scratch folders are made on first use.
void Tool_BeginJobs(int count);

// True between Tool_BeginJobs and Tool_EndJobs.
bool Tool_JobsActive();

// Called by the list loop after an entry's decision: the error records added since
// firstRecord wait behind the conversions still in hand, so that they are committed in
// list order.
void Tool_HoldRecordsBehindJobs(const SoundFileEntry *entry, size_t firstRecord);

// Starts the conversion of an entry in a free job, waiting for one to come free first (and
// for a conversion in hand of the same target to end).
void Tool_StartConversion(SoundFileEntry *entry, const SoundFileJob &job, XUHistoryEntry *record);

// Waits for every conversion in hand and commits what is left; the jobs' scratch folders
// are removed.
void Tool_EndJobs();
