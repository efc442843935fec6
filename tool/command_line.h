// The command line: options into the run state, the usage text.
#pragma once

// Applies the arguments to the run state. False for a usage error. "-help" prints the
// usage and ends the process with status 0.
bool Tool_ParseCommandLine(int count, char **vector);

// True when vector[index] exists, does not begin with "-" and is shorter than 259
// characters; otherwise prints the reason (for a long parameter) and the usage.
bool Tool_CheckOptionParam(int index, int count, char **vector, const char *optionName);

void Tool_PrintUsage();

// Appends the comma-separated names, each with its extension replaced by ".csv".
void Tool_AddAliasFileList(const char *list);
