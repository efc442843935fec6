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

// Starts an enumeration and fills data with the first match. On failure returns null
// and sets Plat_LastError(): PLAT_ERROR_PATH_NOT_FOUND when the folder is missing,
// PLAT_ERROR_FILE_NOT_FOUND when nothing matches.
PlatFind *Plat_FindFirst(const char *pattern, PlatFindData *data);

// Fills data with the next match. At the end returns false with Plat_LastError() set
// to PLAT_ERROR_NO_MORE_FILES; any other code means the enumeration failed.
bool Plat_FindNext(PlatFind *find, PlatFindData *data);

void Plat_FindClose(PlatFind *find);
