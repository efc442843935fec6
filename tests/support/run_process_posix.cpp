// POSIX implementation of run_process.h: fork, set the child up (a process group of its
// own, the standard handles, the folder, the limits, the user), exec.
#include "tests/support/run_process.h"

#include "tests/support/scoped_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pty.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char **environ;

namespace fs = std::filesystem;

namespace
{
constexpr uid_t UNPRIVILEGED_ID = 65534;

int OpenOrThrow(const std::string &path, int flags)
{
    int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot open " + path);
    return fd;
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void BecomeProgram(char *const *argv, const char *folder, const int fds[3],
                                const ProcessOptions &options, bool dropPrivileges)
{
    setpgid(0, 0);
    for (int target = 0; target < 3; ++target)
        if (dup2(fds[target], target) < 0)
            _exit(127);
    if (chdir(folder) != 0)
        _exit(127);
    if (options.fileSizeLimit >= 0)
    {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(options.fileSizeLimit);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(126);
    }
    if (dropPrivileges && (setgroups(0, nullptr) != 0 || setgid(UNPRIVILEGED_ID) != 0 ||
                           setuid(UNPRIVILEGED_ID) != 0))
        _exit(126);
    execve(argv[0], argv, environ);
    _exit(127);
}

// Standard error goes to errFd (which the call closes), or to a capture file when it is
// negative.
StartedProcess Start(const std::string &program, const std::vector<std::string> &args,
                     const std::string &folder, const ProcessOptions &options, int errFd)
{
#ifdef __linux__
    // Processes left behind by a killed program become ours, so KillProcess can reap them.
    static const bool subreaper = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
    (void)subreaper;
#endif
    StartedProcess process;
    process.capture = std::make_shared<ScopedDir>();
    const int create = O_WRONLY | O_CREAT | O_TRUNC;
    int fds[3] = {OpenOrThrow("/dev/null", O_RDONLY), OpenOrThrow(*process.capture / "out", create),
                  errFd >= 0 ? errFd : OpenOrThrow(*process.capture / "err", create)};
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    bool dropPrivileges = options.unprivileged && geteuid() == 0;

    pid_t child = fork();
    if (child == 0)
        BecomeProgram(argv.data(), folder.c_str(), fds, options, dropPrivileges);
    for (int fd : fds)
        close(fd);
    if (child < 0)
        throw std::runtime_error("cannot start " + program);
    setpgid(child, child); // also here, so that the group exists before any kill
    process.pid = child;
    return process;
}

int WaitPid(int pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProcessResult Collect(const StartedProcess &process, int status)
{
    return {status, ReadFile(*process.capture / "out"), ReadFile(*process.capture / "err")};
}
} // namespace

std::string ReadTextOutput(const std::string &path)
{
    return ReadFile(path);
}

ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &folder, const ProcessOptions &options)
{
    StartedProcess process = Start(program, args, folder, options, -1);
    return Collect(process, WaitPid(process.pid));
}

ProcessResult RunWithTerminal(const std::string &program, const std::vector<std::string> &args,
                              const std::string &folder)
{
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error("no pseudo-terminal");
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    StartedProcess process = Start(program, args, folder, {}, slave);
    std::string terminal;
    char buffer[4096];
    ssize_t got;
    // Read until EIO, once the program has closed its side.
    while ((got = read(master, buffer, sizeof(buffer))) > 0)
        terminal.append(buffer, static_cast<size_t>(got));
    close(master);
    ProcessResult result = Collect(process, WaitPid(process.pid));
    result.err = terminal;
    return result;
}

StartedProcess StartProcess(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder)
{
    return Start(program, args, folder, {}, -1);
}

ProcessResult FinishProcess(StartedProcess *process)
{
    return Collect(*process, WaitPid(process->pid));
}

ProcessResult InterruptProcess(StartedProcess *process)
{
    kill(-process->pid, SIGINT);
    return FinishProcess(process);
}

void KillProcess(StartedProcess *process)
{
    kill(process->pid, SIGKILL);
    WaitPid(process->pid);
    kill(-process->pid, SIGKILL);
    // Reap what was left of the group; without a subreaper, wait until it is gone.
    int status = 0;
    for (int tries = 0; tries < 60000; ++tries)
    {
        pid_t reaped = waitpid(-process->pid, &status, WNOHANG);
        if (reaped < 0 && errno == ECHILD && kill(-process->pid, 0) != 0)
            return;
        if (reaped <= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    throw std::runtime_error("processes of a killed run do not end");
}

bool WaitForFile(const std::string &path, const StartedProcess &process)
{
    for (int tries = 0; tries < 12000 && !FileExists(path); ++tries)
    {
        siginfo_t info = {};
        if (waitid(P_PID, static_cast<id_t>(process.pid), &info, WEXITED | WNOHANG | WNOWAIT) ==
                0 &&
            info.si_pid != 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return FileExists(path);
}

void GiveToUnprivilegedUser(const std::string &root)
{
    if (geteuid() != 0)
        return;
    std::vector<fs::path> paths = {root};
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root))
        paths.push_back(entry.path());
    for (const fs::path &path : paths)
        if (lchown(path.c_str(), UNPRIVILEGED_ID, UNPRIVILEGED_ID) != 0)
            throw std::runtime_error("cannot give away " + path.string());
}
