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
            std::string bytes = ReadFile(it->path().string());
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
    std::map<std::string, char> marks;
    for (const auto &[path, old] : before)
    {
        auto now = after.find(path);
        if (now == after.end())
            marks[path] = '-';
        else if (old.Key() != now->second.Key())
            marks[path] = '~';
    }
    for (const auto &entry : after)
        if (before.count(entry.first) == 0)
            marks[entry.first] = '+';
    std::vector<std::string> changes;
    for (const auto &[path, mark] : marks)
        changes.push_back(std::string(1, mark) + " " + path);
    return changes;
}
