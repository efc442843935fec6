// A temporary folder for one test, removed with everything in it when the test ends,
// and small file helpers for building kits in it.
#pragma once

#include <string>
#include <vector>

class ScopedDir
{
  public:
    enum class Reach
    {
        // Below the temporary folder (TMPDIR), wherever that lies.
        Owner,
        // For programs run as another user: a folder every user may pass through, below the
        // temporary folder when others may pass every folder on the way there, else below
        // /tmp. Only the folder's own mode is changed for that.
        Everyone,
    };

    explicit ScopedDir(Reach reach = Reach::Owner);
    ~ScopedDir();
    ScopedDir(const ScopedDir &) = delete;
    ScopedDir &operator=(const ScopedDir &) = delete;

    // The folder's absolute path without links, as the system gives a program in it its
    // current folder; "/"-separated, without a trailing separator.
    const std::string &path() const { return path_; }
    // path() + "/" + relative.
    std::string operator/(const std::string &relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

// Writes bytes to path, creating its folders.
void WriteFile(const std::string &path, const std::string &bytes);
// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::string &path);
bool FileExists(const std::string &path);
void MakeDirs(const std::string &path);
// Sets the file's last-write time to the given number of seconds since 1970.
void SetFileTime(const std::string &path, long long seconds);
// The files below root, relative and "/"-separated, sorted.
std::vector<std::string> ListTree(const std::string &root);
// The names in one folder as the disk spells them, sorted. Where names ignore case (Windows),
// this tells whether a second spelling was made, which FileExists cannot.
std::vector<std::string> ListFolder(const std::string &folder);
// Removes a file; nothing happens when it is missing.
void RemoveFile(const std::string &path);
// Sets the permission bits of a file or folder, 0444 for a read-only file. Windows keeps
// only whether the owner may write, as the read-only attribute.
void SetMode(const std::string &path, unsigned mode);
