// The handle slots of open game files: a folder file's stream, or an archive member with
// the archive handle it reads through. Opening, reading and closing a slot belong to
// file access (folder files) and to the archives (members).
#pragma once

#include "engine/fs/game_path.h"

#include <cstdint>

constexpr int FS_MAX_HANDLES = 62;  // slots 0 to 61; slot 0 is never handed out
constexpr int FS_OPEN_HANDLES = 50; // opening uses slots 1 to 49

struct Archive;

struct FileHandleSlot
{
    void *file;       // FILE* of a folder file, or the archive library handle
    int32_t reopened; // 1 when file is a reopened archive handle owned by this slot
    Archive *archive; // the archive of a member, or null
    char gamePath[FS_PATH_SIZE];
};

extern FileHandleSlot fsHandles[FS_MAX_HANDLES];
