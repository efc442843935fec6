// The path rules of the file system: game paths cleaned, compared and ordered as the file
// system does it, and operating-system paths formed and made.
#pragma once

constexpr int FS_PATH_SIZE = 256;

bool FS_CleanGamePath(const char *in, char *out);
int FS_SamePath(const char *a, const char *b);
int FS_PathOrder(const char *a, const char *b);
void FS_BuildOSPath(const char *base, const char *game, const char *gamePath, char *out);
void FS_NormalizeOSSeparators(char *path);
int FS_CreateOSDirectories(const char *osPath);
