// Opening and reading game files through the search path, by handle slot, and copying
// a file out of it.
#include "engine/fs/file_access.h"

#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/memory.h"
#include "engine/common/str.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/archive.h"
#include "engine/fs/game_path.h"
#include "engine/fs/handle_slots.h"
#include "engine/fs/search_path.h"
#include "platform/files.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// The length of an open stream, leaving its position where it was; -1 when it cannot
// be measured or does not fit the 32-bit results of the file system.
long StreamLength(FILE *file)
{
    long here = ftell(file);
    if (here < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    long length = ftell(file);
    fseek(file, here, SEEK_SET);
    return length >= 0 && length < INT32_MAX ? length : -1;
}

bool SlotInUse(int32_t handle)
{
    return handle > 0 && handle < FS_MAX_HANDLES && fsHandles[handle].file != nullptr;
}

int32_t OpenFromFolder(const GameDirectory *directory, const char *cleaned, int32_t handle)
{
    char osPath[FS_PATH_SIZE];
    FS_BuildOSPath(directory->path, directory->gameDir, cleaned, osPath);
    if (osPath[0] == 0)
        return -1;
    FILE *file = Plat_FOpen(osPath, "rb");
    if (file == nullptr)
        return -1;
    long length = StreamLength(file);
    if (length < 0)
    {
        fclose(file);
        return -1;
    }
    FileHandleSlot &slot = fsHandles[handle];
    slot.file = file;
    slot.reopened = 0;
    slot.archive = nullptr;
    Str_Copy(slot.gamePath, cleaned, sizeof(slot.gamePath));
    if (Dvar_GetInt("fs_debug") != 0)
        Com_Print(CHANNEL_VERBOSE, "FS_FOpenFileRead: %s (found in '%s/%s')\n", cleaned,
                  directory->path, directory->gameDir);
    if (Dvar_GetBool("fs_copyfiles") &&
        Str_CaseCompare(directory->path, Dvar_GetString("fs_cdpath")) == 0)
    {
        FILE *copySource = Plat_FOpen(osPath, "rb");
        if (copySource != nullptr)
        {
            char destination[FS_PATH_SIZE];
            FS_BuildOSPath(Dvar_GetString("fs_basepath"), directory->gameDir, cleaned, destination);
            if (destination[0] != 0)
                FS_CopyFile(copySource, destination);
            else
                fclose(copySource);
        }
    }
    return static_cast<int32_t>(length);
}
} // namespace

bool FS_Initialized()
{
    return fs_searchpaths != nullptr;
}

void FS_ReportUninitialized()
{
    Com_ReportError("Filesystem call made without initialization\n");
}

int32_t FS_HandleForFile()
{
    for (int32_t handle = 1; handle < FS_OPEN_HANDLES; ++handle)
        if (fsHandles[handle].file == nullptr)
            return handle;
    Com_ReportError("FS_HandleForFile: none free");
    return 0;
}

int32_t FS_FOpenFileRead(const char *gamePath, int32_t *handleOut)
{
    if (!FS_Initialized())
        FS_ReportUninitialized();
    char cleaned[FS_PATH_SIZE];
    if (!FS_CleanGamePath(gamePath, cleaned))
    {
        *handleOut = 0;
        return -1;
    }
    int32_t handle = FS_HandleForFile();
    *handleOut = handle;
    if (handle == 0)
        return -1;

    bool ignoreLocalized = Dvar_GetBool("fs_ignoreLocalized");
    for (SearchPath *search = fs_searchpaths; search != nullptr; search = search->next)
    {
        if (search->localized && ignoreLocalized)
            continue;
        if (search->archive != nullptr)
        {
            ArchiveEntry *entry = FS_FindArchiveMember(search->archive, cleaned);
            if (entry == nullptr)
                continue;
            // The copy found first is the file; when it cannot be read, the open fails
            // rather than quietly falling back to a copy later in the search path.
            int32_t length = FS_OpenArchiveMember(handle, search->archive, entry);
            if (length < 0)
            {
                *handleOut = 0;
                return -1;
            }
            Str_Copy(fsHandles[handle].gamePath, cleaned, sizeof(fsHandles[handle].gamePath));
            if (Dvar_GetInt("fs_debug") != 0)
                Com_Print(CHANNEL_VERBOSE, "FS_FOpenFileRead: %s (found in '%s')\n", cleaned,
                          search->archive->osPath);
            return length;
        }
        if (search->directory != nullptr)
        {
            int32_t length = OpenFromFolder(search->directory, cleaned, handle);
            if (length >= 0)
                return length;
        }
    }
    if (Dvar_GetInt("fs_debug") != 0)
        Com_Print(CHANNEL_VERBOSE, "Can't find %s\n", gamePath);
    *handleOut = 0;
    return -1;
}

int FS_Read(void *buffer, int length, int32_t handle)
{
    if (!FS_Initialized())
        FS_ReportUninitialized();
    if (!SlotInUse(handle) || length <= 0)
        return 0;
    FileHandleSlot &slot = fsHandles[handle];
    if (slot.archive != nullptr)
        return FS_ReadArchiveMember(handle, buffer, length);

    FILE *file = static_cast<FILE *>(slot.file);
    char *next = static_cast<char *>(buffer);
    int remaining = length;
    bool retried = false;
    while (remaining > 0)
    {
        size_t got = fread(next, 1, static_cast<size_t>(remaining), file);
        if (got == 0)
        {
            if (retried)
                return length - remaining;
            retried = true;
            continue;
        }
        next += got;
        remaining -= static_cast<int>(got);
    }
    return length;
}

int FS_ReadFile(const char *gamePath, void **bufferOut)
{
    if (!FS_Initialized())
        FS_ReportUninitialized();
    *bufferOut = nullptr;
    if (gamePath == nullptr || gamePath[0] == 0)
    {
        Com_ReportError("FS_ReadFile with empty name\n");
        return -1;
    }
    int32_t handle = 0;
    int32_t length = FS_FOpenFileRead(gamePath, &handle);
    if (handle == 0)
        return -1;
    char *block = static_cast<char *>(Hunk_AllocateTempMemory(length + 1));
    int got = length > 0 ? FS_Read(block, length, handle) : 0;
    FS_CloseHandle(handle);
    if (got != length)
    {
        // Damaged or vanished data: the caller gets no file rather than a partial one.
        free(block);
        return -1;
    }
    block[length] = 0;
    *bufferOut = block;
    return length;
}

void FS_CloseHandle(int32_t handle)
{
    if (!FS_Initialized())
        FS_ReportUninitialized();
    if (!SlotInUse(handle))
        return;
    FileHandleSlot &slot = fsHandles[handle];
    if (slot.archive != nullptr)
        FS_CloseArchiveMember(handle);
    else
        fclose(static_cast<FILE *>(slot.file));
    memset(&slot, 0, sizeof(slot));
}

void FS_CopyFile(FILE *source, const char *destOSPath)
{
    long length = StreamLength(source);
    // A source that cannot be measured or held in memory is not copied; the read that
    // asked for it goes on regardless.
    char *buffer =
        length >= 0 ? static_cast<char *>(malloc(static_cast<size_t>(length) + 1)) : nullptr;
    if (buffer == nullptr)
    {
        fclose(source);
        return;
    }
    if (fread(buffer, 1, static_cast<size_t>(length), source) != static_cast<size_t>(length))
        Com_ReportError("Short read in FS_CopyFile()\n");
    fclose(source);

    if (FS_CreateOSDirectories(destOSPath) != 0)
    {
        free(buffer);
        return;
    }
    FILE *destination = Plat_FOpen(destOSPath, "wb");
    if (destination == nullptr)
    {
        free(buffer);
        return;
    }
    if (fwrite(buffer, 1, static_cast<size_t>(length), destination) != static_cast<size_t>(length))
        Com_ReportError("Short write in FS_CopyFile()\n");
    fclose(destination);
    free(buffer);
}
