// POSIX backend of files and folders. The read test, the last-write time and the folder
// test name a file relative to a held handle of its folder (posix_cache.h): a run asks
// about the files of one folder after another, and a relative name spares the kernel the
// walk down the whole path. Every change made on disk is reported to the caches.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"
#include "platform/system.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
bool WritesFile(const char *mode)
{
    return strchr(mode, 'w') != nullptr || strchr(mode, 'a') != nullptr;
}

// Posix_HostPath into one reused buffer: the per-file calls of a run then allocate
// nothing. The text is good until the next call.
const std::string &HostPathBuffer(const char *path)
{
    static std::string host;
    host.assign(path);
    for (char *c = &host[0], *end = c + host.size();
         (c = static_cast<char *>(memchr(c, '\\', end - c))) != nullptr; ++c)
        *c = '/';
    return host;
}

// After op failed on host with error: when the name is missing, retries once on the
// spelling that differs only in case (folderAsSpelled: the folder is there as spelled, so
// only the last name is looked up). Sets the last error on failure.
template <class Op>
bool RetryResolved(const std::string &host, int error, Op op, bool folderAsSpelled = false)
{
    if (error != ENOENT && error != ENOTDIR)
    {
        Posix_SetErrno(error);
        return false;
    }
    std::string resolved;
    uint32_t missing = 0;
    if (!Posix_Resolve(host, &resolved, &missing, false, folderAsSpelled))
    {
        Plat_SetLastError(missing);
        return false;
    }
    if (resolved != host && op(resolved))
        return true;
    Posix_SetErrno(resolved != host ? errno : error);
    return false;
}

// Runs op on the host path; when the name is missing, retries once on the spelling that
// differs only in case. Sets the last error on failure.
template <class Op> bool WithResolvedPath(const char *path, Op op)
{
    std::string host = Posix_HostPath(path);
    if (op(host))
        return true;
    return RetryResolved(host, errno, op);
}

// Runs op(folder handle, name) on a host path, relative to a held handle of its folder when
// the folder opens as spelled. A name missing there is tried on the whole path, which
// decides (the folder may have been replaced since its handle was opened), then as in
// WithResolvedPath.
template <class Op> bool WithFolderHandle(const std::string &host, Op op)
{
    size_t slash = host.find_last_of('/');
    int fd = slash != std::string::npos && slash > 0 && slash + 1 < host.size()
                 ? Posix_HeldFolder(host, slash)
                 : -1;
    if (fd >= 0)
    {
        if (op(fd, host.c_str() + slash + 1))
            return true;
        if (errno != ENOENT && errno != ENOTDIR)
        {
            Posix_SetErrno(errno);
            return false;
        }
    }
    if (op(AT_FDCWD, host.c_str()))
    {
        if (fd >= 0)
            Posix_FolderReplaced();
        return true;
    }
    return RetryResolved(
        host, errno, [&](const std::string &p) { return op(AT_FDCWD, p.c_str()); }, fd >= 0);
}

// Windows neither renames nor copies over a read-only file, whoever asks; a file the
// user protected (no write permission for anyone, or none for us) is not replaced here
// either. True, with the last error set, when target is such a file.
bool IsProtectedFile(const std::string &target)
{
    struct stat info;
    if (lstat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if ((info.st_mode & 0222) != 0 &&
        (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 || errno != EACCES))
        return false;
    Plat_SetLastError(PLAT_ERROR_ACCESS_DENIED);
    return true;
}
} // namespace

FILE *Plat_CreateNewFile(const char *path)
{
    std::string host;
    if (!Posix_ResolveForCreate(Posix_HostPath(path), &host))
        return nullptr;
    if (unlink(host.c_str()) == 0)
        Posix_Removed(host, false);
    int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE *file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (file == nullptr)
    {
        Posix_SetErrno(errno);
        if (fd >= 0)
            close(fd);
        return nullptr;
    }
    Posix_Created(host, false);
    return file;
}

FILE *Plat_FOpen(const char *path, const char *mode)
{
    std::string host = Posix_HostPath(path);
    if (WritesFile(mode))
    {
        std::string resolved;
        if (!Posix_ResolveForCreate(host, &resolved))
            return nullptr;
        FILE *file = fopen(resolved.c_str(), mode);
        if (file == nullptr)
        {
            Posix_SetErrno(errno);
            return nullptr;
        }
        Posix_Created(resolved, false);
        return file;
    }
    FILE *file = nullptr;
    WithResolvedPath(path,
                     [&](const std::string &p)
                     {
                         file = fopen(p.c_str(), mode);
                         return file != nullptr;
                     });
    // A folder is not a file that can be read, as on Windows.
    struct stat info;
    if (file != nullptr && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode))
    {
        fclose(file);
        Plat_SetLastError(PLAT_ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

bool Plat_GetCwd(char *buffer, size_t size)
{
    if (getcwd(buffer, size) == nullptr)
    {
        Posix_SetErrno(errno);
        return false;
    }
    return true;
}

bool Plat_MakeDir(const char *path)
{
    std::string host = Posix_HostPath(path);
    while (host.size() > 1 && host.back() == '/')
        host.pop_back();
    if (host.empty())
    {
        Plat_SetLastError(PLAT_ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::string resolved;
    if (!Posix_ResolveForCreate(host, &resolved))
        return false;
    if (mkdir(resolved.c_str(), 0777) != 0)
    {
        Posix_SetErrno(errno);
        return false;
    }
    Posix_Created(resolved, true);
    return true;
}

bool Plat_RemoveDir(const char *path)
{
    std::string removed;
    bool ok = WithResolvedPath(path,
                               [&](const std::string &p)
                               {
                                   removed = p;
                                   return rmdir(p.c_str()) == 0;
                               });
    if (ok)
        Posix_Removed(removed, true);
    return ok;
}

bool Plat_RemoveFile(const char *path)
{
    std::string removed;
    bool ok = WithResolvedPath(path,
                               [&](const std::string &p)
                               {
                                   removed = p;
                                   return unlink(p.c_str()) == 0;
                               });
    if (ok)
        Posix_Removed(removed, false);
    return ok;
}

bool Plat_CanRead(const char *path)
{
    // The source tree is probed for platform-specific files that mostly do not exist; a
    // name missing from its folder's cached listing is answered without a system call.
    const std::string &host = HostPathBuffer(path);
    std::string resolved;
    bool found = false;
    if (Posix_LookupCached(host, &resolved, &found) && !found)
    {
        Plat_SetLastError(PLAT_ERROR_FILE_NOT_FOUND);
        return false;
    }
    struct stat info;
    const std::string &name = resolved.empty() ? host : resolved;
    if (!WithFolderHandle(name, [&](int folder, const char *file)
                          { return fstatat(folder, file, &info, 0) == 0; }))
        return false;
    // Of a file that the real user owns with the owner's read permission, access(2) says
    // yes by that permission alone (an access control list cannot take it from the owner,
    // capabilities only add; a security module's own policy aside). Any other file is asked
    // of the system: the real user and groups, access control lists, capabilities.
    static const uid_t user = getuid();
    if ((info.st_uid != user || (info.st_mode & S_IRUSR) == 0) &&
        !WithFolderHandle(name, [](int folder, const char *file)
                          { return faccessat(folder, file, R_OK, 0) == 0; }))
        return false;
    Posix_KeepStatus(host, info);
    return true;
}

bool Plat_IsDirectory(const char *path)
{
    struct stat info;
    return WithFolderHandle(HostPathBuffer(path), [&](int folder, const char *name)
                            { return fstatat(folder, name, &info, 0) == 0; }) &&
           S_ISDIR(info.st_mode);
}

bool Plat_GetLastWriteTime(const char *path, uint64_t *fileTime)
{
    // One stat gives the time; a folder cannot be opened as a file and so has none.
    struct stat info;
    const std::string &host = HostPathBuffer(path);
    if (!Posix_TakeStatus(host, &info) &&
        !WithFolderHandle(host, [&](int folder, const char *name)
                          { return fstatat(folder, name, &info, 0) == 0; }))
        return false;
    if (S_ISDIR(info.st_mode))
    {
        Plat_SetLastError(PLAT_ERROR_ACCESS_DENIED);
        return false;
    }
    *fileTime =
        Plat_UnixToFileTime(info.st_mtim.tv_sec, static_cast<uint32_t>(info.st_mtim.tv_nsec));
    return true;
}

bool Plat_ReplaceFile(const char *from, const char *to)
{
    std::string source;
    bool folder = false;
    if (!WithResolvedPath(from,
                          [&](const std::string &p)
                          {
                              struct stat info;
                              source = p;
                              bool exists = lstat(p.c_str(), &info) == 0;
                              folder = exists && S_ISDIR(info.st_mode);
                              return exists;
                          }))
        return false;
    std::string target;
    if (!Posix_ResolveForCreate(Posix_HostPath(to), &target) || IsProtectedFile(target))
        return false;
    if (rename(source.c_str(), target.c_str()) != 0)
    {
        Posix_SetErrno(errno);
        return false;
    }
    Posix_Renamed(source, target, folder);
    return true;
}

bool Plat_SyncFile(FILE *file)
{
    if (fflush(file) != 0 || fsync(fileno(file)) != 0)
    {
        Posix_SetErrno(errno);
        return false;
    }
    return true;
}

bool Plat_CopyFile(const char *source, const char *destination)
{
    int in = -1;
    if (!WithResolvedPath(source,
                          [&](const std::string &p)
                          {
                              in = open(p.c_str(), O_RDONLY | O_CLOEXEC);
                              return in >= 0;
                          }))
        return false;
    struct stat info;
    int statError = fstat(in, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EACCES : 0;
    if (statError != 0)
    {
        Posix_SetErrno(statError);
        close(in);
        return false;
    }
    std::string target;
    if (!Posix_ResolveForCreate(Posix_HostPath(destination), &target) || IsProtectedFile(target))
    {
        close(in);
        return false;
    }
    std::string temporary = target + ".copy-" + std::to_string(getpid());
    unlink(temporary.c_str());
    int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (out < 0)
    {
        Posix_SetErrno(errno);
        close(in);
        return false;
    }
    std::vector<char> buffer(1 << 16);
    int failure = 0;
    for (;;)
    {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got == 0)
            break;
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        for (ssize_t done = 0; done < got && failure == 0;)
        {
            ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR)
                failure = errno;
            else if (put > 0)
                done += put;
        }
        if (failure != 0)
            break;
    }
    // Like the Windows copy, the copy keeps the source's last-write time.
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (failure == 0 && futimens(out, times) != 0)
        failure = errno;
    if (close(out) != 0 && failure == 0)
        failure = errno;
    close(in);
    if (failure == 0 && rename(temporary.c_str(), target.c_str()) != 0)
        failure = errno;
    if (failure != 0)
    {
        unlink(temporary.c_str());
        Posix_SetErrno(failure);
        return false;
    }
    Posix_Created(target, false);
    return true;
}

bool Plat_SetCurrentDirectory(const char *path)
{
    if (!WithResolvedPath(path, [](const std::string &p) { return chdir(p.c_str()) == 0; }))
        return false;
    Posix_DirectoryChanged();
    return true;
}
