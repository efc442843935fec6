// Error codes of the operating-system layer. Every backend reports failures with
// Windows numbering, so that logic code and the error records read the same on
// every host. Translation from the host's own codes happens only in the backends.
#pragma once

#include <cstddef>
#include <cstdint>

enum PlatError : uint32_t
{
    PLAT_OK = 0,
    PLAT_ERROR_FILE_NOT_FOUND = 2,
    PLAT_ERROR_PATH_NOT_FOUND = 3,
    PLAT_ERROR_TOO_MANY_OPEN_FILES = 4,
    PLAT_ERROR_ACCESS_DENIED = 5,
    PLAT_ERROR_NOT_ENOUGH_MEMORY = 8,
    PLAT_ERROR_INVALID_DATA = 13,
    PLAT_ERROR_NO_MORE_FILES = 18,
    PLAT_ERROR_WRITE_PROTECT = 19,
    PLAT_ERROR_READ_FAULT = 30,
    PLAT_ERROR_SHARING_VIOLATION = 32,
    PLAT_ERROR_LOCK_VIOLATION = 33,
    PLAT_ERROR_FILE_EXISTS = 80,
    PLAT_ERROR_INVALID_PARAMETER = 87,
    PLAT_ERROR_DISK_FULL = 112,
    PLAT_ERROR_DIR_NOT_EMPTY = 145,
    PLAT_ERROR_BAD_PATHNAME = 161,
    PLAT_ERROR_ALREADY_EXISTS = 183,
    PLAT_ERROR_FILENAME_EXCED_RANGE = 206,
    PLAT_ERROR_DIRECTORY = 267,
    PLAT_ERROR_OPERATION_ABORTED = 995,
    PLAT_ERROR_GEN_FAILURE = 31,
};

// The code of the most recent failure of a platform call on this thread (like the
// Windows "last error"). Successful calls do not clear it.
uint32_t Plat_LastError();
void Plat_SetLastError(uint32_t code);

// The host's message text for a Windows-numbered code, written into buffer (always
// terminated). Writes an empty text and returns false when the host has no message.
bool Plat_ErrorMessage(uint32_t code, char *buffer, size_t size);
