// POSIX backend of read-only file mapping.
#include "platform/errors.h"
#include "platform/mapping.h"
#include "platform/posix_paths.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool Plat_MapFile(const char *path, PlatMapping *mapping)
{
    mapping->data = nullptr;
    mapping->size = 0;
    mapping->handle = nullptr;
    std::string host = Posix_HostPath(path);
    int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
    {
        std::string resolved;
        uint32_t missing = 0;
        if (!Posix_Resolve(host, &resolved, &missing))
        {
            Plat_SetLastError(missing);
            return false;
        }
        fd = open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0)
    {
        Posix_SetErrno(errno);
        return false;
    }
    struct stat info;
    int statError = fstat(fd, &info) != 0 ? errno : !S_ISREG(info.st_mode) ? EACCES : 0;
    if (statError != 0)
    {
        Posix_SetErrno(statError);
        close(fd);
        return false;
    }
    if (info.st_size > 0)
    {
        void *data =
            mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED)
        {
            Posix_SetErrno(errno);
            close(fd);
            return false;
        }
        mapping->data = static_cast<const unsigned char *>(data);
        mapping->size = static_cast<size_t>(info.st_size);
    }
    close(fd);
    return true;
}

void Plat_UnmapFile(PlatMapping *mapping)
{
    if (mapping->data != nullptr)
        munmap(const_cast<unsigned char *>(mapping->data), mapping->size);
    mapping->data = nullptr;
    mapping->size = 0;
}
