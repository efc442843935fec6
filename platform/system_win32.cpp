// Win32 backend of clocks, the last error, error texts, the debugger and the console.
#include "platform/errors.h"
#include "platform/system.h"
#include "platform/win32_errors.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mmsystem.h>

namespace
{
// Kept apart from GetLastError, which successful Win32 calls may change in between.
thread_local uint32_t lastError;
constexpr uint64_t FILETIME_UNIX_EPOCH = 116444736000000000ull; // 1970-01-01 in 100 ns since 1601

uint32_t ErrorFromErrno(int error)
{
    switch (error)
    {
    case ENOENT:
        return PLAT_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return PLAT_ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return PLAT_ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return PLAT_ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
        return PLAT_ERROR_ALREADY_EXISTS;
    case EINVAL:
    case EBADF:
        return PLAT_ERROR_INVALID_PARAMETER;
    case ENOSPC:
        return PLAT_ERROR_DISK_FULL;
    case ENOTEMPTY:
        return PLAT_ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return PLAT_ERROR_FILENAME_EXCED_RANGE;
    case ERANGE:
        return ERROR_INSUFFICIENT_BUFFER;
    case ENOEXEC:
        return ERROR_BAD_FORMAT;
    case EIO:
        return PLAT_ERROR_READ_FAULT;
    default:
        // As in the POSIX backend: an unknown errno stays in the application range.
        return 0x20000000u | static_cast<uint32_t>(error);
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

void Win32_SetLastErrorFromSystem()
{
    lastError = GetLastError();
}

void Win32_ClearCrtError()
{
    _doserrno = 0;
    errno = 0;
}

void Win32_SetLastErrorFromCrt()
{
    lastError = _doserrno != 0 ? static_cast<uint32_t>(_doserrno) : ErrorFromErrno(errno);
}

bool Plat_ErrorMessage(uint32_t code, char *buffer, size_t size)
{
    if (size == 0)
        return false;
    buffer[0] = 0;
    // Code 0 is no failure; the system's "completed successfully" is no error text.
    if (code == 0)
        return false;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                                  static_cast<DWORD>(size < 0xffff ? size : 0xffff), nullptr);
    if (length == 0)
    {
        buffer[0] = 0;
        return false;
    }
    return true;
}

uint32_t Plat_Milliseconds()
{
    return timeGetTime();
}

uint64_t Plat_UnixToFileTime(int64_t seconds, uint32_t nanoseconds)
{
    return static_cast<uint64_t>(seconds * 10000000 + nanoseconds / 100) + FILETIME_UNIX_EPOCH;
}

uint64_t Plat_SystemFileTime()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME time;
    SystemTimeToFileTime(&now, &time);
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool Plat_DebuggerPresent()
{
    return IsDebuggerPresent() != FALSE;
}
void Plat_DebugOutput(const char *text)
{
    OutputDebugStringA(text);
}

bool Plat_StderrIsTerminal()
{
    // A console, not just any character device (standard error sent to NUL is one too).
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

int Plat_ProcessorCount()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}
