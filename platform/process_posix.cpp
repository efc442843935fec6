// POSIX backend of child processes: posix_spawn of a program in the current directory,
// then a wait for its exit status.
#include "platform/errors.h"
#include "platform/posix_paths.h"
#include "platform/process.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

int Plat_SpawnWait(const char *const *argv)
{
    if (argv == nullptr || argv[0] == nullptr)
    {
        Plat_SetLastError(PLAT_ERROR_INVALID_PARAMETER);
        return -1;
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
            return -1;
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

    pid_t child = 0;
    int error = posix_spawn(&child, program.c_str(), nullptr, nullptr, vector.data(), environ);
    if (error != 0)
    {
        Posix_SetErrno(error);
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
    {
        if (errno != EINTR)
        {
            Posix_SetErrno(errno);
            return -1;
        }
    }
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
