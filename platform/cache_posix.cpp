// POSIX backend: the caches of the file system and the events that keep them right (see
// posix_cache.h). A run asks about the files of one folder after another, mostly by exact
// names; the caches spare it the names that are missing (listings), the walk down long
// paths (folder handles), the current directory's text and a second stat of a source
// (kept statuses).
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{
// The current directory as getcwd gives it, taken on first use. Only this process changes
// it, and Posix_DirectoryChanged forgets it then.
std::string currentDir;

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
    // Some name came in two spellings: removing a kept spelling may leave another.
    bool severalSpellings = false;
};

// The listings of the folders that lookups asked about, by absolute host path. Invariant:
// a listing tells whether its folder could be read and holds the folder's names, of names
// that differ only in case one: the names read from the disk, plus those this process has
// made there since, minus those it has removed (the listing is dropped instead when another
// spelling may be left). A folder that this process makes, or renames into place, loses
// its listing; one that it removes or renames away loses its listing and those below it;
// a change of the current directory drops them all. Another process's changes since the
// read are not in it. A folder reached by two paths (through a link) has a listing under
// each, and an event reaches the one of the path it names.
// Listings are dropped or renewed in place, never moved, so a pointer to one stays good
// as long as listingsDropped does not change.
std::unordered_map<std::string, Listing> listings;
uint64_t listingsDropped = 0;

void AddName(Listing &listing, const std::string &name)
{
    auto added = listing.names.insert(name);
    if (added.second || name == *added.first)
        return;
    listing.severalSpellings = true;
    if (name < *added.first)
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

// Drops the listing of absoluteFolder and those of the folders below it.
void DropListingsFrom(const std::string &absoluteFolder)
{
    DropListing(absoluteFolder);
    std::string below = absoluteFolder + "/";
    for (auto listing = listings.begin(); listing != listings.end();)
    {
        if (listing->first.compare(0, below.size(), below) == 0)
        {
            listing = listings.erase(listing);
            ++listingsDropped;
        }
        else
            ++listing;
    }
}

Listing &ListFolder(const std::string &absoluteFolder)
{
    auto found = listings.find(absoluteFolder);
    if (found != listings.end())
        return found->second;
    Listing &listing = listings[absoluteFolder];
    int fd = open(absoluteFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

// The listing held for the folder of hostPath, or listings.end(); name is set to the last
// component.
std::unordered_map<std::string, Listing>::iterator ParentListing(const std::string &hostPath,
                                                                 std::string *name)
{
    std::string parent;
    Posix_SplitParent(hostPath, &parent, name);
    return listings.find(Posix_Absolute(parent));
}

// Handles of the folders named last, the most recently used first. Invariant: an entry
// holds a folder as a caller spelled it and a handle of the folder that had that path
// when the handle was opened, or -1 when it did not open. When this process removes or
// renames a folder, or changes the current directory, a spelling may name another folder,
// and all handles are let go; so they are when a held folder proves replaced.
struct FolderHandle
{
    std::string folder; // as the caller spelled it
    int fd;             // -1: the folder did not open as spelled; whole paths are used
};
constexpr size_t FOLDER_HANDLE_COUNT = 8;
std::vector<FolderHandle> folderHandles;
// The folder named last when it has no entry: a second naming in a row opens one.
std::string namedOnce;

void ReleaseFolderHandles()
{
    for (const FolderHandle &handle : folderHandles)
        if (handle.fd >= 0)
            close(handle.fd);
    folderHandles.clear();
}

// The statuses of the last two read tests, each given out once. Invariant: a kept status
// is the one the disk gave for the path since this process last changed anything on disk
// or started a program; every such event forgets them all.
struct KeptStatus
{
    std::string host; // empty: none kept here
    struct stat info;
};
KeptStatus keptStatuses[2];
size_t nextKeptStatus = 0;

void ForgetStatuses()
{
    for (KeptStatus &kept : keptStatuses)
        kept.host.clear();
}
} // namespace

std::string Posix_Absolute(const std::string &path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    if (path.empty() || path == ".")
        return CurrentDir();
    return CurrentDir() + "/" + path;
}

const std::string *Posix_FindInFolder(const std::string &absoluteFolder, const std::string &name,
                                      bool verifyMissing, bool *folderExists)
{
    // The resolver's walk names the root "", the events "/".
    static const std::string root = "/";
    const std::string &folder = absoluteFolder.empty() ? root : absoluteFolder;
    Listing *listing = &ListFolder(folder);
    auto found = listing->names.find(name);
    if (found == listing->names.end() && verifyMissing && listing->exists)
    {
        struct stat info;
        if (lstat((absoluteFolder + "/" + name).c_str(), &info) == 0)
        {
            DropListing(folder);
            listing = &ListFolder(folder);
            found = listing->names.find(name);
        }
    }
    *folderExists = listing->exists;
    return found == listing->names.end() ? nullptr : &*found;
}

bool Posix_FolderListed(const std::string &absoluteFolder)
{
    auto found = listings.find(absoluteFolder);
    return found != listings.end() && found->second.exists;
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
        auto cached = listings.find(Posix_Absolute(parent.empty() ? "." : parent));
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

int Posix_HeldFolder(const std::string &host, size_t length)
{
    for (size_t i = 0; i < folderHandles.size(); ++i)
    {
        const std::string &folder = folderHandles[i].folder;
        if (folder.size() == length && host.compare(0, length, folder) == 0)
        {
            std::rotate(folderHandles.begin(), folderHandles.begin() + static_cast<long>(i),
                        folderHandles.begin() + static_cast<long>(i) + 1);
            return folderHandles[0].fd;
        }
    }
    if (namedOnce.size() != length || host.compare(0, length, namedOnce) != 0)
    {
        namedOnce.assign(host, 0, length);
        return -1;
    }
    std::string folder = host.substr(0, length);
    int fd = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderHandles.size() == FOLDER_HANDLE_COUNT)
    {
        if (folderHandles.back().fd >= 0)
            close(folderHandles.back().fd);
        folderHandles.pop_back();
    }
    folderHandles.insert(folderHandles.begin(), FolderHandle{folder, fd});
    return fd;
}

void Posix_KeepStatus(const std::string &hostPath, const struct stat &info)
{
    KeptStatus &kept = keptStatuses[nextKeptStatus++ % 2];
    kept.host = hostPath;
    kept.info = info;
}

bool Posix_TakeStatus(const std::string &hostPath, struct stat *info)
{
    for (KeptStatus &kept : keptStatuses)
        if (!kept.host.empty() && kept.host == hostPath)
        {
            *info = kept.info;
            kept.host.clear();
            return true;
        }
    return false;
}

void Posix_Created(const std::string &hostPath, bool isFolder)
{
    ForgetStatuses();
    std::string name;
    auto parent = ParentListing(hostPath, &name);
    if (parent != listings.end() && parent->second.exists)
        AddName(parent->second, name);
    if (isFolder)
        DropListing(Posix_Absolute(hostPath));
}

void Posix_Removed(const std::string &hostPath, bool isFolder)
{
    ForgetStatuses();
    std::string name;
    auto parent = ParentListing(hostPath, &name);
    if (parent != listings.end())
    {
        Listing &listing = parent->second;
        auto entry = listing.names.find(name);
        if (entry != listing.names.end() && *entry == name)
        {
            if (listing.severalSpellings)
            {
                listings.erase(parent);
                ++listingsDropped;
            }
            else
                listing.names.erase(entry);
        }
    }
    if (isFolder)
    {
        ReleaseFolderHandles();
        DropListingsFrom(Posix_Absolute(hostPath));
    }
    else
        DropListing(Posix_Absolute(hostPath));
}

void Posix_Renamed(const std::string &from, const std::string &to, bool isFolder)
{
    Posix_Removed(from, isFolder);
    Posix_Created(to, isFolder);
}

void Posix_Listed(const std::string &folder, const std::string *names, size_t count)
{
    // Only a listing the cache already holds is renewed: most enumerated folders (the
    // whole output tree of a run) are never asked about, and would only take memory.
    auto found = listings.find(Posix_Absolute(folder));
    if (found == listings.end())
        return;
    Listing &listing = found->second;
    listing.exists = true;
    listing.names.clear();
    listing.severalSpellings = false;
    for (size_t i = 0; i < count; ++i)
        if (names[i] != "." && names[i] != "..")
            AddName(listing, names[i]);
}

void Posix_DirectoryChanged()
{
    ForgetStatuses();
    ReleaseFolderHandles();
    listings.clear();
    ++listingsDropped;
    currentDir.clear();
}

void Posix_FolderReplaced()
{
    ReleaseFolderHandles();
}

void Posix_ProgramStarted()
{
    ForgetStatuses();
}
