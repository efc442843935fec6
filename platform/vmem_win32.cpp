// Win32 backend of address space reservation.
#include "platform/vmem.h"
#include "platform/win32_errors.h"

#include <windows.h>

namespace
{
// Small regions (the listing arenas) are placed from the top of the address space, away
// from the heap's growth.
constexpr size_t TOP_DOWN_LIMIT = 0x20000;
} // namespace

void *Plat_Reserve(size_t size)
{
    DWORD type = MEM_RESERVE | (size <= TOP_DOWN_LIMIT ? MEM_TOP_DOWN : 0);
    void *address = VirtualAlloc(nullptr, size, type, PAGE_NOACCESS);
    if (address == nullptr)
        Win32_SetLastErrorFromSystem();
    return address;
}

bool Plat_Commit(void *address, size_t size)
{
    // VirtualAlloc commits every page that the range touches.
    if (VirtualAlloc(address, size, MEM_COMMIT, PAGE_READWRITE) == nullptr)
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    return true;
}

void Plat_Release(void *address, size_t)
{
    VirtualFree(address, 0, MEM_RELEASE);
}

size_t Plat_PageSize()
{
    static size_t page = []
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<size_t>(info.dwPageSize);
    }();
    return page;
}
