// Whole text files read with the C runtime.
#pragma once

// Reads the whole file into a new zero-terminated heap buffer (released by the caller
// with free) and returns its size. Returns 0, with *buffer null, when the file is
// missing, unreadable or empty; the first two are reported.
int Tool_LoadTextFile(const char *path, char **buffer);
