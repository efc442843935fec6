// Directory enumeration in the manner of the Windows find functions: a pattern is a
// folder, a separator and a wildcard name ("dir\*" or "dir\*.vdz"); "*" and "?" match
// ignoring ASCII case. The listing includes the "." and ".." entries of the folder.
#pragma once

#include <cstdint>

struct PlatFindData
{
    char name[260];
    bool isDirectory;
};

struct PlatFind;

// What tells one folder from every other while it exists: the device (volume) and the
// file number on it. Two paths that reach the same folder, through links or not, give the
// same identity.
struct PlatFolderId
{
    uint64_t volume;
    uint64_t index;
};

// Starts an enumeration and fills data with the first match. On failure returns null
// and sets Plat_LastError(): PLAT_ERROR_PATH_NOT_FOUND when the folder is missing,
// PLAT_ERROR_FILE_NOT_FOUND when nothing matches.
PlatFind *Plat_FindFirst(const char *pattern, PlatFindData *data);

// Fills data with the next match. At the end returns false with Plat_LastError() set
// to PLAT_ERROR_NO_MORE_FILES; any other code means the enumeration failed.
bool Plat_FindNext(PlatFind *find, PlatFindData *data);

// The identity of the folder the enumeration reads; false when the system cannot tell it.
bool Plat_FindFolderId(const PlatFind *find, PlatFolderId *id);

void Plat_FindClose(PlatFind *find);
