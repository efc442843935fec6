// POSIX backend of child processes: posix_spawn of a program in the current directory,
// then a wait for its exit status, or for whichever of several ends first.
#include "platform/errors.h"
#include "platform/posix_cache.h"
#include "platform/posix_paths.h"
#include "platform/process.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

struct PlatProcess
{
    pid_t pid;
};

namespace
{
// Starts the program without waiting; the child's pid, or 0 with the last error set.
pid_t Start(const char *const *argv)
{
    if (argv == nullptr || argv[0] == nullptr)
    {
        Plat_SetLastError(PLAT_ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The program is named relative to the current directory; no search path.
    std::string program = Posix_HostPath(argv[0]);
    if (program.find('/') == std::string::npos)
        program = "./" + program;
    struct stat info;
    if (stat(program.c_str(), &info) != 0)
    {
        std::string resolved;
        uint32_t missing = 0;
        if (!Posix_Resolve(program, &resolved, &missing))
        {
            Plat_SetLastError(missing);
            return 0;
        }
        program = resolved.find('/') == std::string::npos ? "./" + resolved : resolved;
    }

    std::vector<std::string> arguments;
    for (const char *const *arg = argv; *arg != nullptr; ++arg)
        arguments.push_back(Posix_HostPath(*arg));
    std::vector<char *> vector;
    for (std::string &arg : arguments)
        vector.push_back(&arg[0]);
    vector.push_back(nullptr);

    Posix_ProgramStarted();
    pid_t child = 0;
    int error = posix_spawn(&child, program.c_str(), nullptr, nullptr, vector.data(), environ);
    if (error != 0)
    {
        Posix_SetErrno(error);
        return 0;
    }
    return child;
}

// The exit status of an ended child, or -1, with the last error set.
int StatusOf(int status)
{
    if (WIFEXITED(status))
    {
        // The child ran; its status says how it went, and no earlier failure of ours
        // should be taken for its reason.
        Plat_SetLastError(0);
        return WEXITSTATUS(status);
    }
    Plat_SetLastError(PLAT_ERROR_GEN_FAILURE);
    return -1;
}
} // namespace

int Plat_SpawnWait(const char *const *argv)
{
    pid_t child = Start(argv);
    if (child == 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
    {
        if (errno != EINTR)
        {
            Posix_SetErrno(errno);
            return -1;
        }
    }
    return StatusOf(status);
}

PlatProcess *Plat_Spawn(const char *const *argv)
{
    pid_t child = Start(argv);
    return child != 0 ? new PlatProcess{child} : nullptr;
}

int Plat_WaitAny(PlatProcess *const *processes, int count, int *status)
{
    if (count <= 0)
        return -1;
    for (;;)
    {
        int raw = 0;
        pid_t ended = waitpid(-1, &raw, 0);
        if (ended < 0)
        {
            if (errno == EINTR)
                continue;
            Posix_SetErrno(errno);
            return -1;
        }
        // Only children started here are waited for; another one (none is expected) is
        // reaped and passed over.
        for (int i = 0; i < count; ++i)
            if (processes[i] != nullptr && processes[i]->pid == ended)
            {
                delete processes[i];
                *status = StatusOf(raw);
                return i;
            }
    }
}
