// Snapshots of folder trees through std::filesystem.
#include "tests/support/tree_snapshot.h"

#include "tests/support/scoped_dir.h"

#include <filesystem>

namespace fs = std::filesystem;

TreeSnapshot SnapshotTree(const std::string &root)
{
    TreeSnapshot snapshot;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
    {
        TreeEntry entry;
        fs::file_status status = it->symlink_status(ignored);
        std::string path = it->path().string();
        if (fs::is_symlink(status))
        {
            entry.kind = 'l';
            entry.contentHash =
                std::hash<std::string>()(fs::read_symlink(it->path(), ignored).string());
        }
        else if (fs::is_directory(status))
        {
            entry.kind = 'd';
        }
        else
        {
            std::string bytes = ReadFile(path);
            entry.size = bytes.size();
            entry.contentHash = std::hash<std::string>()(bytes);
            entry.writeTime = static_cast<long long>(
                fs::last_write_time(it->path(), ignored).time_since_epoch().count());
        }
        snapshot[fs::relative(it->path(), root, ignored).generic_string()] = entry;
    }
    return snapshot;
}

std::vector<std::string> TreeChanges(const TreeSnapshot &before, const TreeSnapshot &after)
{
    std::vector<std::string> changes;
    auto old = before.begin();
    auto now = after.begin();
    while (old != before.end() || now != after.end())
    {
        if (now == after.end() || (old != before.end() && old->first < now->first))
        {
            changes.push_back("- " + old->first);
            ++old;
        }
        else if (old == before.end() || now->first < old->first)
        {
            changes.push_back("+ " + now->first);
            ++now;
        }
        else
        {
            const TreeEntry &a = old->second;
            const TreeEntry &b = now->second;
            if (a.kind != b.kind || a.size != b.size || a.contentHash != b.contentHash ||
                a.writeTime != b.writeTime)
                changes.push_back("~ " + now->first);
            ++old;
            ++now;
        }
    }
    return changes;
}
