// POSIX backend of directory enumeration. A folder is read whole when the enumeration
// starts; its entries come sorted as an NTFS folder lists them (by the upper-case form
// of the name), so every host walks a folder in the same order.
#include "platform/errors.h"
#include "platform/find.h"
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct PlatFind
{
    std::vector<PlatFindData> matches;
    size_t next;
    bool identified;
    PlatFolderId folder;
};

namespace
{
bool UpperLess(const std::string &a, const std::string &b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z')
            ca = static_cast<unsigned char>(ca - 32);
        if (cb >= 'a' && cb <= 'z')
            cb = static_cast<unsigned char>(cb - 32);
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

// Opens the folder for reading its names, as spelled or as found ignoring case. -1 with
// the last error set when it cannot be opened.
int OpenFolder(const std::string &folder, std::string *opened)
{
    const char *name = folder.empty() ? "." : folder.c_str();
    int fd = open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        *opened = folder;
        return fd;
    }
    if (errno != ENOENT && errno != ENOTDIR)
    {
        Posix_SetErrno(errno);
        return -1;
    }
    std::string resolved;
    uint32_t missing = 0;
    if (!Posix_Resolve(folder, &resolved, &missing))
    {
        Plat_SetLastError(PLAT_ERROR_PATH_NOT_FOUND);
        return -1;
    }
    fd = open(resolved.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
    {
        Posix_SetErrno(errno == ENOENT ? ENOTDIR : errno);
        return -1;
    }
    *opened = resolved;
    return fd;
}
} // namespace

PlatFind *Plat_FindFirst(const char *pattern, PlatFindData *data)
{
    std::string host = Posix_HostPath(pattern);
    size_t slash = host.find_last_of('/');
    std::string folder = slash == std::string::npos ? "" : host.substr(0, slash == 0 ? 1 : slash);
    std::string wildcard = slash == std::string::npos ? host : host.substr(slash + 1);

    std::string opened;
    int fd = OpenFolder(folder, &opened);
    if (fd < 0)
        return nullptr;
    std::vector<std::string> names;
    std::vector<unsigned char> types;
    int failure = Posix_ReadFolder(fd, &names, &types);
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return UpperLess(names[a], names[b]); });
    if (failure == 0)
        Posix_Listed(opened, names.data(), names.size());

    PlatFind *find = new PlatFind();
    find->next = 0;
    struct stat self;
    find->identified = fstat(fd, &self) == 0;
    if (find->identified)
        find->folder =
            PlatFolderId{static_cast<uint64_t>(self.st_dev), static_cast<uint64_t>(self.st_ino)};
    find->matches.reserve(order.size());
    bool everyName = wildcard == "*";
    for (size_t index : order)
    {
        const std::string &name = names[index];
        if ((!everyName && !Posix_WildcardMatch(wildcard.c_str(), name.c_str())) ||
            name.size() >= sizeof(data->name))
            continue;
        PlatFindData match;
        memcpy(match.name, name.c_str(), name.size() + 1);
        if (types[index] == DT_DIR)
            match.isDirectory = true;
        else if (types[index] != DT_UNKNOWN && types[index] != DT_LNK)
            match.isDirectory = false;
        else
        {
            struct stat info;
            match.isDirectory = fstatat(fd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        find->matches.push_back(match);
    }
    close(fd);
    if (find->matches.empty())
    {
        delete find;
        if (failure != 0)
            Posix_SetErrno(failure);
        else
            Plat_SetLastError(PLAT_ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    *data = find->matches[0];
    find->next = 1;
    return find;
}

bool Plat_FindNext(PlatFind *find, PlatFindData *data)
{
    if (find->next >= find->matches.size())
    {
        Plat_SetLastError(PLAT_ERROR_NO_MORE_FILES);
        return false;
    }
    *data = find->matches[find->next++];
    return true;
}

bool Plat_FindFolderId(const PlatFind *find, PlatFolderId *id)
{
    if (find->identified)
        *id = find->folder;
    return find->identified;
}

void Plat_FindClose(PlatFind *find)
{
    delete find;
}
