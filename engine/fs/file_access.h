// Opening and reading game files through the search path, by handle slot, and the path
// rules the file system shares.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int FS_MAX_HANDLES = 62;  // slots 0 to 61; slot 0 is never handed out
constexpr int FS_OPEN_HANDLES = 50; // opening uses slots 1 to 49
constexpr int FS_PATH_SIZE = 256;

struct Archive;

struct FileHandleSlot
{
    void *file;       // FILE* of a folder file, or the archive library handle
    int32_t reopened; // 1 when file is a reopened archive handle owned by this slot
    Archive *archive; // the archive of a member, or null
    char gamePath[FS_PATH_SIZE];
};

extern FileHandleSlot fsHandles[FS_MAX_HANDLES];

bool FS_Initialized();
void FS_ReportUninitialized();

int32_t FS_FOpenFileRead(const char *gamePath, int32_t *handleOut);
int FS_Read(void *buffer, int length, int32_t handle);
// The whole file in a new zero-terminated buffer released with free; the length or -1.
int FS_ReadFile(const char *gamePath, void **bufferOut);
void FS_CloseHandle(int32_t handle);
int32_t FS_HandleForFile();

bool FS_CleanGamePath(const char *in, char *out);
int FS_SamePath(const char *a, const char *b);
int FS_PathOrder(const char *a, const char *b);
void FS_BuildOSPath(const char *base, const char *game, const char *gamePath, char *out);
void FS_NormalizeOSSeparators(char *path);
int FS_CreateOSDirectories(const char *osPath);
void FS_CopyFile(FILE *source, const char *destOSPath);
