// Win32 backend of child processes: the C runtime's _spawnv in wait mode. _spawnv joins
// the arguments with blanks into the child's command line without quoting them, so each
// argument is quoted here by the rules by which the child's start-up splits it again.
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

int Plat_SpawnWait(const char *const *argv)
{
    if (argv == nullptr || argv[0] == nullptr)
    {
        Plat_SetLastError(PLAT_ERROR_INVALID_PARAMETER);
        return -1;
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
    intptr_t status = _spawnv(_P_WAIT, argv[0], vector.data());
    if (status == -1 && errno != 0)
    {
        // For a missing program the file system's own code tells a missing file from a
        // missing folder; C runtimes differ in what they keep of it (Wine's says 3 for both).
        if (GetFileAttributesA(argv[0]) == INVALID_FILE_ATTRIBUTES)
            Win32_SetLastErrorFromSystem();
        else
            Win32_SetLastErrorFromCrt();
        return -1;
    }
    // An exit through an exception (an access violation and the like) leaves its status
    // code as the exit code; that is no normal exit.
    if ((static_cast<uint32_t>(status) & 0xC0000000u) == 0xC0000000u)
    {
        Plat_SetLastError(PLAT_ERROR_GEN_FAILURE);
        return -1;
    }
    // The child ran; its status says how it went, and no earlier failure of ours should be
    // taken for its reason.
    Plat_SetLastError(0);
    return static_cast<int>(status);
}
