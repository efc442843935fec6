// Win32 backend of files and folders. Windows takes "\" and "/" alike and matches names
// ignoring case, and a file opened for writing over a name of another case keeps the
// existing spelling, so paths go to the system unchanged. Only renames need help to keep
// the spelling of a file they replace.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/win32_errors.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace
{
// path with its last component spelled as the existing file spells it, or path itself
// when there is no such file. A rename over a file replaces the name as well, where
// opening it for writing would have kept it.
std::string ExistingSpelling(const char *path)
{
    std::string spelled(path);
    size_t folderEnd = spelled.find_last_of("\\/:");
    size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    if (nameStart == spelled.size() || spelled.find_first_of("*?", nameStart) != std::string::npos)
        return spelled;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE)
        return spelled;
    FindClose(find);
    return spelled.substr(0, nameStart) + data.cFileName;
}

// Windows refuses to rename over a read-only file; Wine's emulation of the rename does
// not, so the file's attribute is asked first. True (with the error set) when read-only.
bool RefusedAsReadOnly(const std::string &target)
{
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return false;
    Plat_SetLastError(PLAT_ERROR_ACCESS_DENIED);
    return true;
}
} // namespace

FILE *Plat_CreateNewFile(const char *path)
{
    // Deleting a link removes the link; CREATE_NEW then refuses anything still there. The
    // new file keeps the spelling of the one it replaces, as a file opened for writing would.
    std::string target = ExistingSpelling(path);
    DeleteFileA(target.c_str());
    HANDLE handle = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
    {
        Win32_SetLastErrorFromSystem();
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0)
    {
        CloseHandle(handle);
        Plat_SetLastError(PLAT_ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    FILE *file = _fdopen(fd, "wb");
    if (file == nullptr)
    {
        _close(fd);
        Plat_SetLastError(PLAT_ERROR_TOO_MANY_OPEN_FILES);
    }
    return file;
}

FILE *Plat_FOpen(const char *path, const char *mode)
{
    // The search path keeps up to 1024 archives of a folder open; the C runtime allows
    // 512 streams unless it is told otherwise.
    static const bool streamsRaised = _setmaxstdio(2048) != -1;
    (void)streamsRaised;
    Win32_ClearCrtError();
    FILE *file = fopen(path, mode);
    if (file == nullptr)
        Win32_SetLastErrorFromCrt();
    return file;
}

bool Plat_GetCwd(char *buffer, size_t size)
{
    Win32_ClearCrtError();
    if (size > INT_MAX)
        size = INT_MAX;
    if (_getcwd(buffer, static_cast<int>(size)) == nullptr)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_MakeDir(const char *path)
{
    Win32_ClearCrtError();
    if (_mkdir(path) != 0)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_RemoveDir(const char *path)
{
    Win32_ClearCrtError();
    if (_rmdir(path) != 0)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_RemoveFile(const char *path)
{
    Win32_ClearCrtError();
    if (remove(path) != 0)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_CanRead(const char *path)
{
    Win32_ClearCrtError();
    if (_access(path, 4) != 0)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_IsDirectory(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Plat_GetLastWriteTime(const char *path, uint64_t *fileTime)
{
    // Opened for reading with no sharing: a file that another program is writing counts as
    // unreadable. A folder cannot be opened this way and so has no time.
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    FILETIME written;
    bool ok = GetFileTime(file, nullptr, nullptr, &written) != FALSE;
    if (!ok)
        Win32_SetLastErrorFromSystem();
    CloseHandle(file);
    if (ok)
        *fileTime = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return ok;
}

bool Plat_CopyFile(const char *source, const char *destination)
{
    // CopyFileA keeps the source's last-write time, as the header promises; it writes to a
    // temporary file beside the destination so that a failed copy leaves nothing partial.
    std::string target = ExistingSpelling(destination);
    if (RefusedAsReadOnly(target))
        return false;
    std::string temporary = target + ".copy-" + std::to_string(GetCurrentProcessId());
    DeleteFileA(temporary.c_str());
    if (!CopyFileA(source, temporary.c_str(), TRUE))
    {
        Win32_SetLastErrorFromSystem();
        DeleteFileA(temporary.c_str());
        return false;
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        Win32_SetLastErrorFromSystem();
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool Plat_ReplaceFile(const char *from, const char *to)
{
    std::string target = ExistingSpelling(to);
    if (RefusedAsReadOnly(target))
        return false;
    if (!MoveFileExA(from, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    return true;
}

bool Plat_SyncFile(FILE *file)
{
    Win32_ClearCrtError();
    if (fflush(file) != 0 || _commit(_fileno(file)) != 0)
    {
        Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

bool Plat_SetCurrentDirectory(const char *path)
{
    if (!SetCurrentDirectoryA(path))
    {
        Win32_SetLastErrorFromSystem();
        return false;
    }
    return true;
}
