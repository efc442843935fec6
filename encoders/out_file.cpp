// Paths as the kit tool spells them, and output files that appear whole or not at all.
#include "encoders/out_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string Enc_NativePath(const std::string &path)
{
    std::string native = path;
    for (char &c : native)
        if (c == '\\')
            c = '/';
    return native;
}

namespace
{

bool WriteAll(int fd, const EncBytes &bytes)
{
    size_t done = 0;
    while (done < bytes.size())
    {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

bool Enc_WriteFileWhole(const std::string &path, const EncBytes &bytes, std::string &error)
{
    std::string temp = path + ".partXXXXXX";
    int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
    {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode a plain create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    int failure = 0;
    errno = 0;
    if (::fchmod(fd, 0666 & ~mask) != 0 || !WriteAll(fd, bytes))
        failure = errno ? errno : EIO;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && std::rename(temp.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure)
    {
        ::unlink(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    return true;
}
