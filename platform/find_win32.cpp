// Win32 backend of directory enumeration. An NTFS folder lists its entries sorted by the
// upper-case form of the name; other file systems (FAT, and the host folders that Wine
// shows) list them in their own order. So the folder is read whole when the enumeration
// starts and sorted as NTFS sorts it, and every host walks a folder in the same order.
#include "platform/errors.h"
#include "platform/find.h"
#include "platform/win32_errors.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

struct PlatFind
{
    std::vector<PlatFindData> matches;
    size_t next;
    uint32_t endCode;    // PLAT_ERROR_NO_MORE_FILES, or why reading the folder stopped early
    std::string pattern; // for the folder's identity, asked for only by some callers
};

namespace
{
unsigned char Upper(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}

bool UpperLess(const PlatFindData &a, const PlatFindData &b)
{
    size_t lengthA = strlen(a.name), lengthB = strlen(b.name);
    size_t n = std::min(lengthA, lengthB);
    for (size_t i = 0; i < n; ++i)
        if (Upper(a.name[i]) != Upper(b.name[i]))
            return Upper(a.name[i]) < Upper(b.name[i]);
    if (lengthA != lengthB)
        return lengthA < lengthB;
    return strcmp(a.name, b.name) < 0;
}

// The folder of pattern (the text before its last separator), opened as a folder to ask
// for its volume and file number.
bool IdentifyFolder(const char *pattern, PlatFolderId *id)
{
    std::string folder(pattern);
    size_t separator = folder.find_last_of("\\/");
    if (separator == std::string::npos)
        folder = ".";
    else // a drive's root folder keeps its separator
        folder.resize(separator == 0 || folder[separator - 1] == ':' ? separator + 1 : separator);
    HANDLE handle =
        CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    bool ok = GetFileInformationByHandle(handle, &information) != FALSE;
    CloseHandle(handle);
    if (ok)
        *id = PlatFolderId{information.dwVolumeSerialNumber,
                           (static_cast<uint64_t>(information.nFileIndexHigh) << 32) |
                               information.nFileIndexLow};
    return ok;
}

void Add(PlatFind *find, const WIN32_FIND_DATAA &entry)
{
    PlatFindData match;
    static_assert(sizeof(match.name) == sizeof(entry.cFileName), "names of the same bound");
    memcpy(match.name, entry.cFileName, sizeof(match.name));
    match.name[sizeof(match.name) - 1] = 0;
    match.isDirectory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    find->matches.push_back(match);
}
} // namespace

PlatFind *Plat_FindFirst(const char *pattern, PlatFindData *data)
{
    WIN32_FIND_DATAA entry;
    HANDLE handle = FindFirstFileA(pattern, &entry);
    if (handle == INVALID_HANDLE_VALUE)
    {
        Win32_SetLastErrorFromSystem();
        return nullptr;
    }
    PlatFind *find = new PlatFind();
    find->next = 0;
    find->pattern = pattern;
    Add(find, entry);
    while (FindNextFileA(handle, &entry))
        Add(find, entry);
    find->endCode = GetLastError();
    FindClose(handle);
    std::sort(find->matches.begin(), find->matches.end(), UpperLess);
    *data = find->matches[0];
    find->next = 1;
    return find;
}

bool Plat_FindNext(PlatFind *find, PlatFindData *data)
{
    if (find->next >= find->matches.size())
    {
        Plat_SetLastError(find->endCode);
        return false;
    }
    *data = find->matches[find->next++];
    return true;
}

bool Plat_FindFolderId(const PlatFind *find, PlatFolderId *id)
{
    return IdentifyFolder(find->pattern.c_str(), id);
}

void Plat_FindClose(PlatFind *find)
{
    delete find;
}
