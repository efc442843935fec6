// POSIX backend of address space reservation.
#include "platform/errors.h"
#include "platform/posix_paths.h"
#include "platform/vmem.h"

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

void *Plat_Reserve(size_t size)
{
    void *address =
        mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (address == MAP_FAILED)
    {
        Posix_SetErrno(errno);
        return nullptr;
    }
    return address;
}

bool Plat_Commit(void *address, size_t size)
{
    size_t page = Plat_PageSize();
    uintptr_t start = reinterpret_cast<uintptr_t>(address) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(address) + size + page - 1) & ~(page - 1);
    if (mprotect(reinterpret_cast<void *>(start), end - start, PROT_READ | PROT_WRITE) != 0)
    {
        Posix_SetErrno(errno);
        return false;
    }
    return true;
}

void Plat_Release(void *address, size_t size)
{
    munmap(address, size);
}

size_t Plat_PageSize()
{
    static size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return page;
}
