// Paths as the kit tool spells them, and output files that appear whole or not at all.
#include "encoders/out_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
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

// The temporary file being written, for the interrupt handler: an interrupted program
// removes it, so that nothing is left beside the output.
char partPath[PATH_MAX];
volatile sig_atomic_t partPathSet = 0;

void RemovePartAndStop(int signal)
{
    if (partPathSet)
        ::unlink(partPath);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void CatchInterrupts(sigset_t *interrupts)
{
    sigemptyset(interrupts);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        sigaddset(interrupts, signal);
        struct sigaction old = {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = RemovePartAndStop;
        ::sigaction(signal, &action, nullptr);
    }
}

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
    if (temp.size() >= sizeof(partPath))
    {
        error = "cannot write " + path + ": " + std::strerror(ENAMETOOLONG);
        return false;
    }
    // The file is made and named to the handler with interrupts held back, so that an
    // interrupt finds either no file or one it knows.
    sigset_t interrupts, before;
    CatchInterrupts(&interrupts);
    ::sigprocmask(SIG_BLOCK, &interrupts, &before);
    int fd = ::mkstemp(&temp[0]);
    if (fd >= 0)
    {
        std::memcpy(partPath, temp.c_str(), temp.size() + 1);
        partPathSet = 1;
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
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
    partPathSet = 0;
    if (failure)
    {
        ::unlink(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    return true;
}
