// POSIX backend: path mapping, errno translation and the case-insensitive resolver with
// its cache of folder listings. An exact name never touches the cache; a missing name
// is looked up in the listing of its folder, read once per folder and then kept
// coherent with this process's own creations and removals.
#include "platform/errors.h"
#include "platform/posix_paths.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
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
char FoldChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Hashing and equality of names ignoring ASCII case.
struct FoldedHash
{
    size_t operator()(const std::string &name) const
    {
        uint64_t hash = 14695981039346656037ull;
        for (char c : name)
            hash = (hash ^ static_cast<unsigned char>(FoldChar(c))) * 1099511628211ull;
        return static_cast<size_t>(hash);
    }
};
struct FoldedEqual
{
    bool operator()(const std::string &a, const std::string &b) const
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (FoldChar(a[i]) != FoldChar(b[i]))
                return false;
        return true;
    }
};

struct Listing
{
    bool exists = false;
    // The host's spellings, found by a name that may differ in case; of several spellings
    // the smallest is kept, so the choice does not depend on the order of the folder.
    std::unordered_set<std::string, FoldedHash, FoldedEqual> names;
};

std::unordered_map<std::string, Listing> listings;
std::string currentDir;
// Counts the listings dropped from the cache, so that a remembered one is known to be
// still there (the others keep their place when the cache grows).
uint64_t listingsDropped = 0;

const std::string &CurrentDir()
{
    if (currentDir.empty())
    {
        std::vector<char> buffer(4096);
        if (getcwd(buffer.data(), buffer.size()) != nullptr)
            currentDir = buffer.data();
        else
            currentDir = ".";
    }
    return currentDir;
}

// The absolute form of a host path, used as the key of the listing cache.
std::string Absolute(const std::string &path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    if (path.empty() || path == ".")
        return CurrentDir();
    return CurrentDir() + "/" + path;
}

void AddName(Listing &listing, const std::string &name)
{
    auto added = listing.names.insert(name);
    if (!added.second && name < *added.first)
    {
        listing.names.erase(added.first);
        listing.names.insert(name);
    }
}

void DropListing(const std::string &absoluteFolder)
{
    if (listings.erase(absoluteFolder) != 0)
        ++listingsDropped;
}

Listing &ListFolder(const std::string &absoluteFolder)
{
    auto found = listings.find(absoluteFolder);
    if (found != listings.end())
        return found->second;
    Listing &listing = listings[absoluteFolder];
    int fd = open(absoluteFolder.empty() ? "/" : absoluteFolder.c_str(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        listing.exists = true;
        std::vector<std::string> names;
        std::vector<unsigned char> types;
        Posix_ReadFolder(fd, &names, &types);
        close(fd);
        listing.names.reserve(names.size());
        for (const std::string &name : names)
            if (name != "." && name != "..")
                AddName(listing, name);
    }
    return listing;
}

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

void SplitParent(const std::string &path, std::string *parent, std::string *name)
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
} // namespace

namespace
{
// Looks name up in the cached listing of folder. A listing may miss a folder that
// another process made after it was read; when the exact name exists on disk the
// listing is read again. verifyMissing asks for that check (one stat) on a miss.
const std::string *FindInFolder(const std::string &folder, const std::string &name,
                                bool verifyMissing, bool *folderExists)
{
    Listing *listing = &ListFolder(folder);
    auto found = listing->names.find(name);
    if (found == listing->names.end() && verifyMissing && listing->exists)
    {
        struct stat info;
        if (lstat((folder + "/" + name).c_str(), &info) == 0)
        {
            DropListing(folder);
            listing = &ListFolder(folder);
            found = listing->names.find(name);
        }
    }
    *folderExists = listing->exists;
    return found == listing->names.end() ? nullptr : &*found;
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
    std::string folder = absolute ? "" : Absolute("");
    std::string answer = absolute ? "" : ".";
    size_t rest = 0;
    if (absolute && path.find("//") == std::string::npos && path.find("/.") == std::string::npos)
    {
        for (size_t slash = path.find_last_of('/'); slash != std::string::npos && slash > 0;
             slash = path.find_last_of('/', slash - 1))
        {
            std::string start = path.substr(0, slash);
            auto cached = listings.find(start);
            if (folderAsSpelled || (cached != listings.end() && cached->second.exists))
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
                FindInFolder(folder, part, !last || verifyLeaf, &folderExists);
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

bool Posix_LookupCached(const std::string &path, std::string *resolved, bool *found)
{
    // The files of a run come folder by folder: the folder of the last lookup is
    // remembered with its listing.
    static std::string lastParent;
    static Listing *lastListing = nullptr;
    static uint64_t lastDropped = 0;

    size_t slash = path.find_last_of('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t parentLength = slash == std::string::npos ? 0 : slash == 0 ? 1 : slash;
    if (nameStart == path.size() || path.compare(nameStart, std::string::npos, ".") == 0 ||
        path.compare(nameStart, std::string::npos, "..") == 0)
        return false;
    Listing *listing = lastListing;
    if (listing == nullptr || lastDropped != listingsDropped || lastParent.size() != parentLength ||
        path.compare(0, parentLength, lastParent) != 0)
    {
        std::string parent = path.substr(0, parentLength);
        auto cached = listings.find(Absolute(parent.empty() ? "." : parent));
        if (cached == listings.end())
            return false;
        listing = &cached->second;
        lastParent = parent;
        lastListing = listing;
        lastDropped = listingsDropped;
    }
    if (!listing->exists)
        return false;
    static std::string name;
    name.assign(path, nameStart, std::string::npos);
    auto entry = listing->names.find(name);
    *found = entry != listing->names.end();
    resolved->clear();
    if (*found && name != *entry)
        *resolved = path.substr(0, nameStart) + *entry;
    return true;
}

bool Posix_ResolveForCreate(const std::string &path, std::string *resolved)
{
    std::string parent, name;
    SplitParent(path, &parent, &name);
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
    std::string absoluteFolder = Absolute(folder.empty() ? "." : folder);
    Listing &listing = ListFolder(absoluteFolder);
    if (listing.exists)
    {
        auto found = listing.names.find(name);
        if (found != listing.names.end())
            name = *found;
    }
    else if (stat(absoluteFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
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

void Posix_NoteCreated(const std::string &hostPath, bool isDirectory)
{
    std::string parent, name;
    SplitParent(hostPath, &parent, &name);
    auto found = listings.find(Absolute(parent));
    if (found != listings.end() && found->second.exists)
        AddName(found->second, name);
    if (isDirectory)
        DropListing(Absolute(hostPath));
}

void Posix_NoteRemoved(const std::string &hostPath)
{
    std::string parent, name;
    SplitParent(hostPath, &parent, &name);
    auto found = listings.find(Absolute(parent));
    if (found != listings.end())
    {
        Listing &listing = found->second;
        auto entry = listing.names.find(name);
        if (entry != listing.names.end() && *entry == name)
            listing.names.erase(entry);
    }
    DropListing(Absolute(hostPath));
}

void Posix_NoteListing(const std::string &folder, const std::string *names, size_t count)
{
    // Only a listing the cache already holds is renewed: most enumerated folders (the
    // whole output tree of a run) are never asked about, and would only take memory.
    auto found = listings.find(Absolute(folder));
    if (found == listings.end())
        return;
    Listing &listing = found->second;
    listing.exists = true;
    listing.names.clear();
    for (size_t i = 0; i < count; ++i)
        if (names[i] != "." && names[i] != "..")
            AddName(listing, names[i]);
}

void Posix_ForgetListings()
{
    listings.clear();
    ++listingsDropped;
    currentDir.clear();
}
