// The record of a run for tools: a JSON document written at the end of a conversion run
// (dry or real) when "-report-json" names a file.
#pragma once

// Writes the record of the run to the file "-report-json" named, through a temporary file
// renamed into place. A file that cannot be written is recorded as an error (tool error 4,
// "Unable to open file for write.") and the old file, if any, stays.
void Tool_WriteRunJson();
