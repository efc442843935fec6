// POSIX backend of file locks: flock on a file opened without following links. A wait
// polls, so that an interrupt can end it whatever the signal handler's restart rule is.
#include "platform/errors.h"
#include "platform/interrupt.h"
#include "platform/lock.h"
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

struct PlatLock
{
    int fd;
};

namespace
{
constexpr long WAIT_STEP_NS = 50 * 1000 * 1000;

// The lock file, opened for reading and writing when we may, else for reading, which is
// all flock needs. A link in its place is removed once and the file made anew.
int OpenLockFile(const std::string &host)
{
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        int fd = open(host.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EACCES)
            fd = open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 || errno != ELOOP || unlink(host.c_str()) != 0)
            return fd;
    }
    return -1;
}
} // namespace

PlatLock *Plat_LockFile(const char *path, bool wait)
{
    std::string host;
    if (!Posix_ResolveForCreate(Posix_HostPath(path), &host))
        return nullptr;
    int fd = OpenLockFile(host);
    if (fd < 0)
    {
        Posix_SetErrno(errno);
        return nullptr;
    }
    Posix_Created(host, false);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK || !wait || Plat_Interrupted())
        {
            close(fd);
            Posix_SetErrno(error == EWOULDBLOCK && wait ? EINTR : error);
            return nullptr;
        }
        struct timespec step = {0, WAIT_STEP_NS};
        nanosleep(&step, nullptr);
    }
    return new PlatLock{fd};
}

void Plat_UnlockFile(PlatLock *lock)
{
    if (lock == nullptr)
        return;
    close(lock->fd);
    delete lock;
}
