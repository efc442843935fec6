// POSIX backend of clocks, the last error, error texts, the debugger and the console.
#include "platform/errors.h"
#include "platform/system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sched.h>
#include <unistd.h>

namespace
{
thread_local uint32_t lastError;
constexpr uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull; // 1970-01-01 in 100 ns since 1601

int ErrnoFor(uint32_t code)
{
    if (code & 0x20000000u)
        return static_cast<int>(code & ~0x20000000u);
    switch (code)
    {
    case PLAT_ERROR_FILE_NOT_FOUND:
    case PLAT_ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case PLAT_ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case PLAT_ERROR_ACCESS_DENIED:
        return EACCES;
    case PLAT_ERROR_NOT_ENOUGH_MEMORY:
        return ENOMEM;
    case PLAT_ERROR_INVALID_DATA:
    case PLAT_ERROR_INVALID_PARAMETER:
        return EINVAL;
    case PLAT_ERROR_WRITE_PROTECT:
        return EROFS;
    case PLAT_ERROR_READ_FAULT:
    case PLAT_ERROR_GEN_FAILURE:
        return EIO;
    case PLAT_ERROR_SHARING_VIOLATION:
        return EBUSY;
    case PLAT_ERROR_LOCK_VIOLATION:
        return EWOULDBLOCK;
    case PLAT_ERROR_OPERATION_ABORTED:
        return EINTR;
    case PLAT_ERROR_FILE_EXISTS:
    case PLAT_ERROR_ALREADY_EXISTS:
        return EEXIST;
    case PLAT_ERROR_DISK_FULL:
        return ENOSPC;
    case PLAT_ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case PLAT_ERROR_BAD_PATHNAME:
    case PLAT_ERROR_DIRECTORY:
        return ENOTDIR;
    case PLAT_ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return 0;
    }
}
} // namespace

uint32_t Plat_LastError()
{
    return lastError;
}
void Plat_SetLastError(uint32_t code)
{
    lastError = code;
}

bool Plat_ErrorMessage(uint32_t code, char *buffer, size_t size)
{
    if (size == 0)
        return false;
    buffer[0] = 0;
    int error = ErrnoFor(code);
    if (error == 0)
        return false;
    char local[256];
    // The GNU strerror_r may return a static text instead of filling local.
    const char *text = strerror_r(error, local, sizeof(local));
    snprintf(buffer, size, "%s", text);
    return buffer[0] != 0;
}

uint32_t Plat_Milliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

uint64_t Plat_UnixToFileTime(int64_t seconds, uint32_t nanoseconds)
{
    return static_cast<uint64_t>(seconds * 10000000 + nanoseconds / 100) + FILETIME_UNIX_EPOCH;
}

uint64_t Plat_SystemFileTime()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return Plat_UnixToFileTime(now.tv_sec, static_cast<uint32_t>(now.tv_nsec));
}

// A POSIX host has no debug-string channel; texts reach the console and the log.
bool Plat_DebuggerPresent()
{
    return false;
}
void Plat_DebugOutput(const char *) {}

bool Plat_StderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

int Plat_ProcessorCount()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return CPU_COUNT(&allowed);
    long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}
