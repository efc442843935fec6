// The progress line of a conversion run on standard error: sound files visited of the
// total, encoder launches and the elapsed time, redrawn in place a few times a second and
// erased before anything else is reported. Drawn only when standard error is a terminal
// and "-verbose" is off; standard output and the log never see it.
#pragma once

// Starts a line for a run that will visit total sound files. Draws nothing yet.
void Tool_BeginProgress(int total);

// Called after each visited sound file: redraws the line when a quarter of a second has
// passed since the last drawing (or since the start). Costs one clock read otherwise.
void Tool_UpdateProgress();

// Erases the line if one was drawn and stops drawing. Safe to call when none was begun.
void Tool_EndProgress();

// Shows on the line that job index (from 0) converts file, or nothing when file is null.
void Tool_ProgressJob(int index, const char *file);
