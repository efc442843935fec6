// Win32 backend of child processes: the C runtime's _spawnv, in wait mode, or without
// waiting and then WaitForMultipleObjects on the handles. _spawnv joins the arguments with
// blanks into the child's command line without quoting them, so each argument is quoted
// here by the rules by which the child's start-up splits it again.
#include "platform/errors.h"
#include "platform/process.h"
#include "platform/win32_errors.h"

#include <windows.h>

#include <cerrno>
#include <process.h>
#include <string>
#include <vector>

namespace
{
std::string QuoteArgument(const std::string &argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    for (size_t i = 0;; ++i)
    {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\')
        {
            ++backslashes;
            ++i;
        }
        if (i == argument.size())
        {
            // Backslashes before the closing quote are doubled so that it stays a quote.
            quoted.append(backslashes * 2, '\\');
            break;
        }
        if (argument[i] == '"')
            quoted.append(backslashes * 2 + 1, '\\');
        else
            quoted.append(backslashes, '\\');
        quoted += argument[i];
    }
    return quoted + "\"";
}
} // namespace

struct PlatProcess
{
    HANDLE handle;
};

namespace
{
// Starts the program through the C runtime's _spawnv with the arguments quoted; mode is
// _P_WAIT (result is the exit status) or _P_NOWAIT (result is the process handle). False
// with the last error set when it cannot be started.
bool Spawn(int mode, const char *const *argv, intptr_t *result)
{
    if (argv == nullptr || argv[0] == nullptr)
    {
        Plat_SetLastError(PLAT_ERROR_INVALID_PARAMETER);
        return false;
    }
    std::vector<std::string> arguments;
    for (const char *const *arg = argv; *arg != nullptr; ++arg)
        arguments.push_back(QuoteArgument(*arg));
    std::vector<const char *> vector;
    for (const std::string &arg : arguments)
        vector.push_back(arg.c_str());
    vector.push_back(nullptr);

    // _spawnv takes the program as named, relative to the current directory, and does not
    // search the path (that is _spawnvp).
    Win32_ClearCrtError();
    *result = _spawnv(mode, argv[0], vector.data());
    if (*result == -1 && errno != 0)
    {
        // For a missing program the file system's own code tells a missing file from a
        // missing folder; C runtimes differ in what they keep of it (Wine's says 3 for both).
        if (GetFileAttributesA(argv[0]) == INVALID_FILE_ATTRIBUTES)
            Win32_SetLastErrorFromSystem();
        else
            Win32_SetLastErrorFromCrt();
        return false;
    }
    return true;
}

// The exit status of an ended program, or -1, with the last error set.
int StatusOf(uint32_t code)
{
    // An exit through an exception (an access violation and the like) leaves its status
    // code as the exit code; that is no normal exit.
    if ((code & 0xC0000000u) == 0xC0000000u)
    {
        Plat_SetLastError(PLAT_ERROR_GEN_FAILURE);
        return -1;
    }
    // The child ran; its status says how it went, and no earlier failure of ours should be
    // taken for its reason.
    Plat_SetLastError(0);
    return static_cast<int>(code);
}
} // namespace

int Plat_SpawnWait(const char *const *argv)
{
    intptr_t status = 0;
    if (!Spawn(_P_WAIT, argv, &status))
        return -1;
    return StatusOf(static_cast<uint32_t>(status));
}

PlatProcess *Plat_Spawn(const char *const *argv)
{
    intptr_t handle = 0;
    if (!Spawn(_P_NOWAIT, argv, &handle))
        return nullptr;
    return new PlatProcess{reinterpret_cast<HANDLE>(handle)};
}

int Plat_WaitAny(PlatProcess *const *processes, int count, int *status)
{
    if (count <= 0 || count > MAXIMUM_WAIT_OBJECTS)
        return -1;
    std::vector<HANDLE> handles;
    std::vector<int> indexes;
    for (int i = 0; i < count; ++i)
        if (processes[i] != nullptr)
        {
            handles.push_back(processes[i]->handle);
            indexes.push_back(i);
        }
    if (handles.empty())
        return -1;
    DWORD which =
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
    if (which >= WAIT_OBJECT_0 + handles.size())
    {
        Win32_SetLastErrorFromSystem();
        return -1;
    }
    int index = indexes[which - WAIT_OBJECT_0];
    DWORD code = 0;
    bool known = GetExitCodeProcess(processes[index]->handle, &code) != FALSE;
    CloseHandle(processes[index]->handle);
    delete processes[index];
    if (!known)
    {
        Plat_SetLastError(PLAT_ERROR_GEN_FAILURE);
        *status = -1;
        return index;
    }
    *status = StatusOf(code);
    return index;
}
