// What a folder holds, to tell exactly what a run changed: every file, folder and link
// below it with its size, a hash of its content and its last-write time.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

struct TreeEntry
{
    char kind = 'f'; // 'f' file, 'd' folder, 'l' link
    uintmax_t size = 0;
    size_t contentHash = 0;  // of the bytes of a file, of the target of a link
    long long writeTime = 0; // files only; a folder's time changes with its entries
    auto Key() const { return std::tie(kind, size, contentHash, writeTime); }
};

// Relative "/"-separated path to entry, for everything below root.
using TreeSnapshot = std::map<std::string, TreeEntry>;

TreeSnapshot SnapshotTree(const std::string &root);

// The paths that differ between two snapshots: "+ path" added, "- path" removed,
// "~ path" changed; in path order.
std::vector<std::string> TreeChanges(const TreeSnapshot &before, const TreeSnapshot &after);
