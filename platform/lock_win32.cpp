// Win32 backend of file locks: LockFileEx on the first byte of a file that other
// processes may open too, so that they can wait for it. A wait polls, so that an
// interrupt can end it.
#include "platform/errors.h"
#include "platform/interrupt.h"
#include "platform/lock.h"
#include "platform/win32_errors.h"

#include <windows.h>

struct PlatLock
{
    HANDLE file;
};

namespace
{
constexpr DWORD WAIT_STEP_MS = 50;
}

PlatLock *Plat_LockFile(const char *path, bool wait)
{
    // A link in the file's place is opened as itself, never followed.
    HANDLE file = CreateFileA(
        path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileA(
            path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        Win32_SetLastErrorFromSystem();
        return nullptr;
    }
    for (;;)
    {
        OVERLAPPED start = {};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start))
            return new PlatLock{file};
        DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION || !wait || Plat_Interrupted())
        {
            CloseHandle(file);
            Plat_SetLastError(error == ERROR_LOCK_VIOLATION && wait
                                  ? static_cast<uint32_t>(PLAT_ERROR_OPERATION_ABORTED)
                                  : static_cast<uint32_t>(error));
            return nullptr;
        }
        Sleep(WAIT_STEP_MS);
    }
}

void Plat_UnlockFile(PlatLock *lock)
{
    if (lock == nullptr)
        return;
    CloseHandle(lock->file);
    delete lock;
}
