// Win32 backend of read-only file mapping. The view keeps the mapping alive, so both
// handles are closed as soon as the view exists.
#include "platform/errors.h"
#include "platform/mapping.h"
#include "platform/win32_errors.h"

#include <windows.h>

bool Plat_MapFile(const char *path, PlatMapping *mapping)
{
    mapping->data = nullptr;
    mapping->size = 0;
    mapping->handle = nullptr;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    {
        Win32_SetLastErrorFromSystem();
        CloseHandle(file);
        return false;
    }
    uint64_t size = (static_cast<uint64_t>(high) << 32) | low;
    if (size > SIZE_MAX)
    {
        Plat_SetLastError(PLAT_ERROR_NOT_ENOUGH_MEMORY);
        CloseHandle(file);
        return false;
    }
    // An empty file cannot be mapped; it is an empty image.
    if (size > 0)
    {
        HANDLE section = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void *view = section != nullptr ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (view == nullptr)
            Win32_SetLastErrorFromSystem();
        if (section != nullptr)
            CloseHandle(section);
        if (view == nullptr)
        {
            CloseHandle(file);
            return false;
        }
        mapping->data = static_cast<const unsigned char *>(view);
        mapping->size = static_cast<size_t>(size);
    }
    CloseHandle(file);
    return true;
}

void Plat_UnmapFile(PlatMapping *mapping)
{
    if (mapping->data != nullptr)
        UnmapViewOfFile(mapping->data);
    mapping->data = nullptr;
    mapping->size = 0;
}
