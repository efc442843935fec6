// Windows implementation of RunProcess: CreateProcess with the standard handles sent to
// temporary files, read back after the wait. A Windows console program ends its lines
// with CR LF; they are read back as LF, so that expectations read the same on every host.
// Under Wine, a program that is no Windows program (such as /usr/bin/zip, one of the
// archive writers) is a host program. Wine starts it, but gives neither a handle to wait
// on nor the standard handles, so it runs inside /bin/sh, which sends its outputs to the
// capture files and writes its exit status last; the run waits for that file.
#include "tests/support/run_process.h"

#include "tests/support/scoped_dir.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace
{
// One argument as the child's start-up splits its command line again.
std::string Quote(const std::string &argument)
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
            quoted.append(backslashes * 2, '\\');
            break;
        }
        quoted.append(argument[i] == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += argument[i];
    }
    return quoted + "\"";
}

HANDLE OpenInherited(const std::string &path, bool write)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE handle = CreateFileA(
        path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
        &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path);
    return handle;
}

bool IsWindowsProgram(const std::string &path)
{
    char magic[2] = {};
    std::ifstream(path, std::ios::binary).read(magic, sizeof(magic));
    return magic[0] == 'M' && magic[1] == 'Z';
}

// The host's name for a Windows path, through Wine's own export; empty elsewhere.
std::string HostFileName(const std::string &path)
{
    using Converter = char *(__cdecl *)(const wchar_t *);
    auto convert = reinterpret_cast<Converter>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return "";
    std::wstring wide(path.begin(), path.end());
    char *host = convert(wide.c_str());
    if (host == nullptr)
        return "";
    std::string name(host);
    HeapFree(GetProcessHeap(), 0, host);
    return name;
}

std::string WithoutCarriageReturns(const std::string &text)
{
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    return lines;
}

ProcessResult RunHostProgram(const std::string &program, const std::vector<std::string> &args,
                             const std::string &folder)
{
    ScopedDir capture;
    std::string hostCapture = HostFileName(capture.path());
    if (hostCapture.empty())
        throw std::runtime_error("host programs run only under Wine: " + program);
    const char script[] =
        "out=$1 err=$2 status=$3; shift 3; \"$@\" </dev/null >\"$out\" 2>\"$err\"; "
        "echo $? >\"$status.part\"; mv \"$status.part\" \"$status\"";
    std::string commandLine = "/bin/sh -c " + Quote(script) + " sh " + Quote(hostCapture + "/out") +
                              " " + Quote(hostCapture + "/err") + " " +
                              Quote(hostCapture + "/status") + " " + Quote(program);
    for (const std::string &arg : args)
        commandLine += " " + Quote(arg);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA("/bin/sh", &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &child))
        throw std::runtime_error("cannot start " + program);
    if (child.hThread != nullptr)
        CloseHandle(child.hThread);
    if (child.hProcess != nullptr)
        CloseHandle(child.hProcess);
    while (!FileExists(capture / "status"))
        Sleep(5);

    ProcessResult result;
    result.status = std::atoi(ReadFile(capture / "status").c_str());
    result.out = ReadFile(capture / "out");
    result.err = ReadFile(capture / "err");
    return result;
}
} // namespace

std::string ReadTextOutput(const std::string &path)
{
    return WithoutCarriageReturns(ReadFile(path));
}

ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &folder)
{
    if (!IsWindowsProgram(program))
        return RunHostProgram(program, args, folder);
    ScopedDir capture;
    std::string outPath = capture / "out";
    std::string errPath = capture / "err";

    std::string commandLine = Quote(program);
    for (const std::string &arg : args)
        commandLine += " " + Quote(arg);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = OpenInherited("NUL", false);
    startup.hStdOutput = OpenInherited(outPath, true);
    startup.hStdError = OpenInherited(errPath, true);
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                  nullptr, folder.c_str(), &startup, &child);
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started)
        throw std::runtime_error("cannot start " + program);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    ProcessResult result;
    // An exit through an exception (an access violation and the like) is no normal exit.
    result.status = (code & 0xC0000000u) == 0xC0000000u ? -1 : static_cast<int>(code);
    result.out = WithoutCarriageReturns(ReadFile(outPath));
    result.err = WithoutCarriageReturns(ReadFile(errPath));
    return result;
}
