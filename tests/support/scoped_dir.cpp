// Temporary folders and file helpers for tests.
#include "tests/support/scoped_dir.h"

#include "tests/support/run_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utime.h>

namespace fs = std::filesystem;

namespace
{
// Whether users other than the owner may pass through folder and every folder above it.
bool OthersMayPass(const fs::path &folder)
{
    for (fs::path path = folder;; path = path.parent_path())
    {
        std::error_code error;
        fs::perms perms = fs::status(path, error).permissions();
        if (error || (perms & fs::perms::others_exec) == fs::perms::none)
            return false;
        if (path == path.parent_path())
            return true;
    }
}

fs::path Base(ScopedDir::Reach reach)
{
    // Without links, as a program in the folder gets its current folder.
    fs::path temp = fs::canonical(fs::temp_directory_path());
    // Windows has no permissions for other users.
    if (reach == ScopedDir::Reach::Owner || !HostIsPosix() || OthersMayPass(temp))
        return temp;
    fs::path system = fs::canonical("/tmp");
    if (OthersMayPass(system))
        return system;
    throw std::runtime_error("other users may pass neither " + temp.string() + " nor /tmp");
}
} // namespace

ScopedDir::ScopedDir(Reach reach)
{
    // A fresh random name, taken only when this call created the folder: parallel test
    // programs never share one. The path is "/"-separated on every host.
    static std::mt19937_64 random(
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::path base = Base(reach);
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        char name[40];
        snprintf(name, sizeof(name), "auralith-test-%012llx",
                 static_cast<unsigned long long>(random() & 0xffffffffffffull));
        std::error_code error;
        if (fs::create_directory(base / name, error))
        {
            path_ = (base / name).generic_string();
            if (reach == Reach::Everyone)
                fs::permissions(path_, fs::perms::owner_all | fs::perms::group_exec |
                                           fs::perms::others_exec);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

ScopedDir::~ScopedDir()
{
    std::error_code ignored;
    // Tests may leave folders without write permission behind; give it back first.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

void MakeDirs(const std::string &path)
{
    fs::create_directories(path);
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    fs::path p(path);
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string &path)
{
    return fs::exists(path);
}

void SetFileTime(const std::string &path, long long seconds)
{
    struct utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    utime(path.c_str(), &times);
}

std::vector<std::string> ListTree(const std::string &root)
{
    std::vector<std::string> files;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_regular_file())
            files.push_back(fs::relative(it->path(), root).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ListFolder(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (auto it = fs::directory_iterator(folder, ignored); it != fs::directory_iterator();
         it.increment(ignored))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveFile(const std::string &path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

void SetMode(const std::string &path, unsigned mode)
{
    fs::permissions(path, static_cast<fs::perms>(mode));
}
