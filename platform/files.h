// Files and folders. Paths may use "\" or "/"; names are matched ignoring ASCII case
// when the exact name does not exist (a folder of "Sound" is found as "sound").
// Every function that fails sets Plat_LastError() to a Windows-numbered code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Creates path as a new file and opens it for binary writing, never writing through what
// was there: a leftover file or a link at path (or at a name that differs only in case)
// is removed first, not followed, and the file is then made exclusively. The folder must
// exist. Returns null on failure.
FILE *Plat_CreateNewFile(const char *path);

// Opens a C runtime stream (modes as fopen). A mode that writes or appends creates the
// file in the existing folder whose name matches ignoring case, and replaces an
// existing file whose name differs only in case. Returns null on failure.
FILE *Plat_FOpen(const char *path, const char *mode);

// The current directory into buffer (at most size - 1 characters). False when it does
// not fit or cannot be read.
bool Plat_GetCwd(char *buffer, size_t size);

// Creates one folder. An existing folder, also one whose name differs only in case,
// makes it fail with PLAT_ERROR_ALREADY_EXISTS. Returns true on success.
bool Plat_MakeDir(const char *path);

// Removes an empty folder; false when it is missing, not empty or not removable.
bool Plat_RemoveDir(const char *path);

// Removes a file; false when it is missing or cannot be removed.
bool Plat_RemoveFile(const char *path);

// True when the file or folder exists and may be read (the _access read test).
bool Plat_CanRead(const char *path);

// True when path names an existing folder.
bool Plat_IsDirectory(const char *path);

// Opens the file for reading and reads its last-write time as a Windows file time
// (100 ns units since 1601-01-01 UTC). False when it cannot be opened or read.
bool Plat_GetLastWriteTime(const char *path, uint64_t *fileTime);

// Copies source over destination, replacing it. The destination's folder must exist.
// Writes through a temporary file beside the destination, so a failed copy leaves the
// old destination (or none) in place. Returns true on success.
bool Plat_CopyFile(const char *source, const char *destination);

// Renames from over to, replacing to in one step. Returns true on success. A read-only
// file at to is not replaced (PLAT_ERROR_ACCESS_DENIED), and neither is a read-only
// destination of Plat_CopyFile.
bool Plat_ReplaceFile(const char *from, const char *to);

// Forces the written data of an open stream to the disk (after fflush).
bool Plat_SyncFile(FILE *file);

// Changes the current directory (tests and tools that start elsewhere use it).
bool Plat_SetCurrentDirectory(const char *path);
