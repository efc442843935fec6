// Opening and reading game files through the search path, by handle slot.
#pragma once

#include "engine/fs/game_path.h"
#include "engine/fs/handle_slots.h"

#include <cstdint>
#include <cstdio>

bool FS_Initialized();
void FS_ReportUninitialized();

int32_t FS_FOpenFileRead(const char *gamePath, int32_t *handleOut);
int FS_Read(void *buffer, int length, int32_t handle);
// The whole file in a new zero-terminated buffer released with free; the length or -1.
int FS_ReadFile(const char *gamePath, void **bufferOut);
void FS_CloseHandle(int32_t handle);
int32_t FS_HandleForFile();

void FS_CopyFile(FILE *source, const char *destOSPath);
