// POSIX backend: path mapping, errno translation and the case-insensitive resolver. An
// exact name is never resolved; a missing name is looked up in the listing of its folder
// (posix_cache.h).
#include "platform/errors.h"
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string Posix_HostPath(const char *path)
{
    std::string host(path);
    char *end = &host[0] + host.size();
    for (char *c = &host[0];
         (c = static_cast<char *>(memchr(c, '\\', static_cast<size_t>(end - c)))) != nullptr; ++c)
        *c = '/';
    return host;
}

uint32_t Posix_ErrorFromErrno(int error)
{
    switch (error)
    {
    case 0:
        return PLAT_OK;
    case ENOENT:
        return PLAT_ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return PLAT_ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return PLAT_ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return PLAT_ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return PLAT_ERROR_NOT_ENOUGH_MEMORY;
    case EROFS:
        return PLAT_ERROR_WRITE_PROTECT;
    case EEXIST:
        return PLAT_ERROR_ALREADY_EXISTS;
    case EINVAL:
        return PLAT_ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return PLAT_ERROR_DISK_FULL;
    case ENOTEMPTY:
        return PLAT_ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
        return PLAT_ERROR_FILENAME_EXCED_RANGE;
    case EBUSY:
    case ETXTBSY:
        return PLAT_ERROR_SHARING_VIOLATION;
    case EIO:
        return PLAT_ERROR_READ_FAULT;
    case EWOULDBLOCK:
        return PLAT_ERROR_LOCK_VIOLATION;
    case EINTR:
        return PLAT_ERROR_OPERATION_ABORTED;
    default:
        return 0x20000000u | static_cast<uint32_t>(error);
    }
}

void Posix_SetErrno(int error)
{
    Plat_SetLastError(Posix_ErrorFromErrno(error));
}

int Posix_ReadFolder(int fd, std::vector<std::string> *names, std::vector<unsigned char> *types)
{
    alignas(8) char buffer[32768];
    for (;;)
    {
        ssize_t got = getdents64(fd, buffer, sizeof(buffer));
        if (got == 0)
            return 0;
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t offset = 0; offset < got;)
        {
            const dirent64 *entry = reinterpret_cast<const dirent64 *>(buffer + offset);
            names->emplace_back(entry->d_name);
            types->push_back(entry->d_type);
            offset += entry->d_reclen;
        }
    }
}

bool Posix_WildcardMatch(const char *pattern, const char *name)
{
    const char *starPattern = nullptr;
    const char *starName = nullptr;
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    for (;;)
    {
        if (*pattern == '*')
        {
            starPattern = pattern++;
            starName = name;
            continue;
        }
        if (*name == 0 && *pattern == 0)
            return true;
        if (*name != 0 && (*pattern == '?' || (*pattern != 0 && fold(*pattern) == fold(*name))))
        {
            ++pattern;
            ++name;
            continue;
        }
        if (starPattern == nullptr || *starName == 0)
            return false;
        pattern = starPattern + 1;
        name = ++starName;
    }
}

namespace
{
void SplitComponents(const std::string &path, std::vector<std::string> *parts)
{
    size_t start = 0;
    while (start <= path.size())
    {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts->push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
}
} // namespace

bool Posix_Resolve(const std::string &path, std::string *resolved, uint32_t *missingCode,
                   bool verifyLeaf, bool folderAsSpelled)
{
    bool absolute = !path.empty() && path[0] == '/';
    // Walk in absolute terms for the cache, but answer in the caller's terms. A plain
    // absolute path starts at its own folder when that is known to exist as spelled, else
    // at the deepest of its folders that the cache holds under the spelling given: the
    // walk from the root would come to the same folder.
    std::string folder = absolute ? "" : Posix_Absolute("");
    std::string answer = absolute ? "" : ".";
    size_t rest = 0;
    if (absolute && path.find("//") == std::string::npos && path.find("/.") == std::string::npos)
    {
        for (size_t slash = path.find_last_of('/'); slash != std::string::npos && slash > 0;
             slash = path.find_last_of('/', slash - 1))
        {
            std::string start = path.substr(0, slash);
            if (folderAsSpelled || Posix_FolderListed(start))
            {
                folder = start;
                answer = folder;
                rest = slash + 1;
                break;
            }
        }
    }
    std::vector<std::string> parts;
    SplitComponents(path.substr(rest), &parts);
    for (size_t i = 0; i < parts.size(); ++i)
    {
        const std::string &part = parts[i];
        bool last = i + 1 == parts.size();
        if (part == ".")
            continue;
        std::string name = part;
        if (part != "..")
        {
            bool folderExists = false;
            const std::string *found =
                Posix_FindInFolder(folder, part, !last || verifyLeaf, &folderExists);
            if (found == nullptr)
            {
                *missingCode =
                    (last && folderExists) ? PLAT_ERROR_FILE_NOT_FOUND : PLAT_ERROR_PATH_NOT_FOUND;
                for (size_t j = i; j < parts.size(); ++j)
                    answer += "/" + parts[j];
                *resolved = answer;
                return false;
            }
            name = *found;
        }
        folder += "/" + name;
        answer += "/" + name;
    }
    if (parts.empty() && rest == 0)
        answer = absolute ? "/" : ".";
    else if (!absolute && answer.compare(0, 2, "./") == 0)
        answer = answer.substr(2);
    *resolved = answer;
    *missingCode = 0;
    return true;
}

bool Posix_ResolveForCreate(const std::string &path, std::string *resolved)
{
    std::string parent, name;
    Posix_SplitParent(path, &parent, &name);
    std::string folder = parent;
    // A folder spelled exactly is taken as it is: the folders above it may be ones we may
    // pass through but not list.
    struct stat info;
    if (!parent.empty() && parent != "/" && parent != "." &&
        (stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
    {
        uint32_t code = 0;
        if (!Posix_Resolve(parent, &folder, &code, true))
        {
            Plat_SetLastError(PLAT_ERROR_PATH_NOT_FOUND);
            return false;
        }
    }
    std::string absoluteFolder = Posix_Absolute(folder.empty() ? "." : folder);
    bool folderExists = false;
    const std::string *listed = Posix_FindInFolder(absoluteFolder, name, false, &folderExists);
    if (listed != nullptr)
        name = *listed;
    else if (!folderExists && (stat(absoluteFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)))
    {
        Plat_SetLastError(PLAT_ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (folder.empty())
        *resolved = name;
    else if (folder == "/")
        *resolved = "/" + name;
    else
        *resolved = folder + "/" + name;
    return true;
}

void Posix_SplitParent(const std::string &path, std::string *parent, std::string *name)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
    {
        *parent = "";
        *name = path;
    }
    else
    {
        *parent = path.substr(0, slash == 0 ? 1 : slash);
        *name = path.substr(slash + 1);
    }
}
