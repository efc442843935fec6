// File listings across the search path and in one OS folder, each list in one arena.
#include "engine/fs/listing.h"

#include "engine/common/format.h"
#include "engine/common/hunk_user.h"
#include "engine/common/str.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/archive.h"
#include "engine/fs/file_access.h"
#include "engine/fs/search_path.h"
#include "platform/find.h"

#include <cstring>

namespace
{
constexpr int LIST_ARENA_SIZE = 0x20000;

bool Sys_NameHasExtension(const char *name, const char *extension)
{
    char pattern[FS_PATH_SIZE];
    Com_FormatBuffer(pattern, sizeof(pattern), "*.%s", extension);
    return Str_WildcardMatch(pattern, name) == 0;
}

// The slots of a list: the arena, the names, and a terminating null.
const char **ListSlots(HunkUser *arena, int nameCapacity)
{
    const char **slots = static_cast<const char **>(Hunk_UserAlloc(
        arena, (nameCapacity + 2) * static_cast<int>(sizeof(const char *)), alignof(const char *)));
    slots[0] = reinterpret_cast<const char *>(arena);
    return slots;
}

bool MemberMatches(const char *name, const char *path, int pathLength, int pathDepth,
                   const char *extension, int extensionLength)
{
    int depth = 0;
    int lastSlash = FS_SplitDirectory(name, &depth);
    if (depth != pathDepth || pathLength > lastSlash)
        return false;
    if (pathLength != 0 && name[pathLength] != '/')
        return false;
    if (Str_CaseCompareN(name, path, pathLength) != 0)
        return false;
    if (extensionLength == 0)
        return true;
    int nameLength = static_cast<int>(strlen(name));
    return nameLength > extensionLength && name[nameLength - extensionLength - 1] == '.' &&
           Str_CaseCompare(name + nameLength - extensionLength, extension) == 0;
}
} // namespace

int FS_SplitDirectory(const char *name, int *depthOut)
{
    int lastSlash = 0;
    int depth = 0;
    int i = 0;
    for (; name[i] != 0; ++i)
    {
        if (name[i] == '/' || name[i] == '\\')
        {
            lastSlash = i;
            ++depth;
        }
    }
    if (depth > 0 && lastSlash == i - 1)
        --depth;
    *depthOut = depth;
    return lastSlash;
}

int FS_AddNameToList(HunkUser *arena, const char *name, const char **list, int n)
{
    if (n >= FS_MAX_LISTED)
        return n;
    for (int i = 0; i < n; ++i)
        if (Str_CaseCompare(list[i], name) == 0)
            return n;
    list[n] = Hunk_UserCopyString(arena, name);
    return n + 1;
}

const char **FS_ListFilteredFiles(const char *gamePath, const char *extension, int *countOut)
{
    if (!FS_Initialized())
        FS_ReportUninitialized();
    char cleaned[FS_PATH_SIZE];
    if (!FS_CleanGamePath(gamePath, cleaned))
    {
        *countOut = 0;
        return nullptr;
    }
    int pathLength = static_cast<int>(strlen(cleaned));
    if (pathLength > 0 && (cleaned[pathLength - 1] == '/' || cleaned[pathLength - 1] == '\\'))
        --pathLength;
    int extensionLength = static_cast<int>(strlen(extension));
    int pathDepth = 0;
    FS_SplitDirectory(cleaned, &pathDepth);
    if (cleaned[0] != 0)
        ++pathDepth;

    HunkUser *arena = Hunk_UserCreate(LIST_ARENA_SIZE, "FS_ListFilteredFiles");
    const char **slots = ListSlots(arena, FS_MAX_LISTED);
    const char **list = slots + 1;
    int n = 0;

    bool ignoreLocalized = Dvar_GetBool("fs_ignoreLocalized");
    for (SearchPath *search = fs_searchpaths; search != nullptr; search = search->next)
    {
        if (search->localized && ignoreLocalized)
            continue;
        if (search->archive != nullptr)
        {
            const Archive *archive = search->archive;
            for (int i = 0; i < archive->memberCount; ++i)
            {
                const char *name = archive->entries[i].name;
                if (name == nullptr || !MemberMatches(name, cleaned, pathLength, pathDepth,
                                                      extension, extensionLength))
                    continue;
                n = FS_AddNameToList(arena, pathLength != 0 ? name + pathLength + 1 : name, list,
                                     n);
            }
        }
        else if (search->directory != nullptr)
        {
            char osPath[FS_PATH_SIZE];
            FS_BuildOSPath(search->directory->path, search->directory->gameDir, cleaned, osPath);
            if (osPath[0] == 0)
                continue;
            int found = 0;
            const char **names = Sys_ListFiles(osPath, extension, &found);
            for (int i = 0; i < found; ++i)
                n = FS_AddNameToList(arena, names[i], list, n);
            Sys_ReleaseFileList(names);
        }
    }

    *countOut = n;
    if (n == 0)
    {
        Hunk_UserDestroy(arena);
        return nullptr;
    }
    list[n] = nullptr;
    return list;
}

void FS_ReleaseFileList(const char **list)
{
    if (list == nullptr)
        return;
    Hunk_UserDestroy(reinterpret_cast<HunkUser *>(const_cast<char *>(list[-1])));
}

const char **Sys_ListFiles(const char *osDirectory, const char *extension, int *countOut)
{
    char pattern[FS_PATH_SIZE];
    Com_FormatBuffer(pattern, sizeof(pattern), "%s\\*.%s", osDirectory, extension);
    PlatFindData data;
    PlatFind *find = Plat_FindFirst(pattern, &data);
    if (find == nullptr)
    {
        *countOut = 0;
        return nullptr;
    }

    HunkUser *arena = Hunk_UserCreate(LIST_ARENA_SIZE, "Sys_ListFiles");
    const char *names[FS_MAX_LISTED];
    int count = 0;
    do
    {
        if (data.isDirectory || !Sys_NameHasExtension(data.name, extension))
            continue;
        names[count++] = Hunk_UserCopyString(arena, data.name);
    } while (count < FS_MAX_LISTED && Plat_FindNext(find, &data));
    Plat_FindClose(find);

    *countOut = count;
    if (count == 0)
    {
        Hunk_UserDestroy(arena);
        return nullptr;
    }
    const char **slots = ListSlots(arena, count);
    memcpy(slots + 1, names, static_cast<size_t>(count) * sizeof(const char *));
    slots[count + 1] = nullptr;
    return slots + 1;
}

void Sys_ReleaseFileList(const char **list)
{
    FS_ReleaseFileList(list);
}

bool Sys_DirectoryHasEntries(const char *osDirectory)
{
    char pattern[FS_PATH_SIZE];
    Com_FormatBuffer(pattern, sizeof(pattern), "%s\\*", osDirectory);
    PlatFindData data;
    PlatFind *find = Plat_FindFirst(pattern, &data);
    if (find == nullptr)
        return false;
    bool found = false;
    do
    {
        if (!data.isDirectory ||
            (Str_CaseCompare(data.name, ".") != 0 && Str_CaseCompare(data.name, "..") != 0 &&
             Str_CaseCompare(data.name, "CVS") != 0))
        {
            found = true;
            break;
        }
    } while (Plat_FindNext(find, &data));
    Plat_FindClose(find);
    return found;
}
