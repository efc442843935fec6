// Orphans, the run report and the timing lines.
#pragma once

// Walks the platform's output folders into the orphan candidates, creating them.
void Tool_FindOrphanCandidates(const char *outputRoot);
// Adds every file of folder (and its subfolders) with the extension to the candidates.
void Tool_CollectOutputFiles(const char *folder, const char *extension);
// Prints orphans, errors and counts; returns the number of error records.
int Tool_PrintReport();
// Prints the encoding and other-time lines.
void Tool_PrintTiming();
