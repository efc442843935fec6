// POSIX implementation of background runs, kills, unprivileged runs and file-size
// limits: fork, set the child up, exec.
#include "tests/support/process_control.h"

#include "tests/support/scoped_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
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
[[noreturn]] void BecomeProgram(const char *program, char *const *argv, const char *folder,
                                const int fds[3], const ProcessOptions &options,
                                bool dropPrivileges)
{
    setpgid(0, 0);
    for (int target = 0; target < 3; ++target)
        if (dup2(fds[target], target) < 0)
            _exit(127);
    if (chdir(folder) != 0)
        _exit(127);
    if (options.fileSizeLimit >= 0)
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, nullptr);
        struct rlimit limit;
        limit.rlim_cur = static_cast<rlim_t>(options.fileSizeLimit);
        limit.rlim_max = static_cast<rlim_t>(options.fileSizeLimit);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(126);
    }
    if (dropPrivileges && (setgroups(0, nullptr) != 0 || setgid(UNPRIVILEGED_ID) != 0 ||
                           setuid(UNPRIVILEGED_ID) != 0))
        _exit(126);
    execve(program, argv, environ);
    _exit(127);
}

int ExitStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

StartedProcess StartProcess(const std::string &program, const std::vector<std::string> &args,
                            const std::string &folder, const ProcessOptions &options)
{
#ifdef __linux__
    // Processes left behind by a killed program become ours, so KillProcess can reap them.
    static const bool subreaper = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
    (void)subreaper;
#endif
    StartedProcess process;
    process.capture = std::make_shared<ScopedDir>();
    int fds[3] = {OpenOrThrow("/dev/null", O_RDONLY),
                  OpenOrThrow(*process.capture / "out", O_WRONLY | O_CREAT | O_TRUNC),
                  OpenOrThrow(*process.capture / "err", O_WRONLY | O_CREAT | O_TRUNC)};

    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    bool dropPrivileges = options.unprivileged && RunsAsRoot();

    pid_t child = fork();
    if (child == 0)
        BecomeProgram(program.c_str(), argv.data(), folder.c_str(), fds, options, dropPrivileges);
    for (int fd : fds)
        close(fd);
    if (child < 0)
        throw std::runtime_error("cannot start " + program);
    setpgid(child, child); // also here, so that the group exists before any kill
    process.pid = child;
    return process;
}

ProcessResult WaitProcess(StartedProcess *process)
{
    int status = 0;
    while (waitpid(process->pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    ProcessResult result;
    result.status = ExitStatus(status);
    result.out = ReadFile(*process->capture / "out");
    result.err = ReadFile(*process->capture / "err");
    return result;
}

void KillProcess(StartedProcess *process)
{
    kill(process->pid, SIGKILL);
    int status = 0;
    while (waitpid(process->pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    kill(-process->pid, SIGKILL);
    // Reap what was left of the group; without a subreaper, wait until it is gone.
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

ProcessResult RunProcessWith(const std::string &program, const std::vector<std::string> &args,
                             const std::string &folder, const ProcessOptions &options)
{
    StartedProcess process = StartProcess(program, args, folder, options);
    return WaitProcess(&process);
}

bool RunsAsRoot()
{
    return geteuid() == 0;
}

void GiveToUnprivilegedUser(const std::string &root)
{
    if (!RunsAsRoot())
        return;
    if (lchown(root.c_str(), UNPRIVILEGED_ID, UNPRIVILEGED_ID) != 0)
        throw std::runtime_error("cannot give away " + root);
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root))
        if (lchown(entry.path().c_str(), UNPRIVILEGED_ID, UNPRIVILEGED_ID) != 0)
            throw std::runtime_error("cannot give away " + entry.path().string());
    std::string parent = fs::path(root).parent_path().string();
    struct stat info;
    if (stat(parent.c_str(), &info) == 0)
        chmod(parent.c_str(), (info.st_mode & 07777) | S_IXOTH);
}

void SetMode(const std::string &path, unsigned mode)
{
    if (chmod(path.c_str(), static_cast<mode_t>(mode)) != 0)
        throw std::runtime_error("cannot change the mode of " + path);
}

bool WaitForFile(const std::string &path, const StartedProcess &process)
{
    for (int tries = 0; tries < 12000; ++tries)
    {
        if (FileExists(path))
            return true;
        siginfo_t info = {};
        if (waitid(P_PID, static_cast<id_t>(process.pid), &info, WEXITED | WNOHANG | WNOWAIT) ==
                0 &&
            info.si_pid != 0)
            return FileExists(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return FileExists(path);
}
