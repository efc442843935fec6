// The search path of game folders and archives, and file system start-up and shutdown.
#pragma once

#include <cstdint>

struct Archive;

struct GameDirectory
{
    char path[256];
    char gameDir[256];
};

struct SearchPath
{
    SearchPath *next;
    Archive *archive;
    GameDirectory *directory;
    int32_t localized;
};

extern SearchPath *fs_searchpaths;

void FS_RegisterSettings();
void FS_Startup();
void FS_AddSearchDirectory(const char *path, const char *folder, int localized);
void FS_AddArchivesInDirectory(const char *path, const char *folder);
void FS_PrintSearchPaths();
void FS_ShutdownFileSystem();
