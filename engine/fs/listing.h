// Listing files across the search path and in one OS folder. A returned list lives in
// one HunkUser arena, kept in the slot before the first name, and ends with null.
#pragma once

constexpr int FS_MAX_LISTED = 8191;

const char **FS_ListFilteredFiles(const char *gamePath, const char *extension, int *countOut);
void FS_ReleaseFileList(const char **list);
const char **Sys_ListFiles(const char *osDirectory, const char *extension, int *countOut);
void Sys_ReleaseFileList(const char **list);
bool Sys_DirectoryHasEntries(const char *osDirectory);
int FS_SplitDirectory(const char *name, int *depthOut);
int FS_AddNameToList(struct HunkUser *arena, const char *name, const char **list, int n);
