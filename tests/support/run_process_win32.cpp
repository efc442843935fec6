// Windows implementation of run_process.h. A Windows program is started by the tool's own
// Plat_SpawnWait, which quotes its arguments; it inherits this program's standard
// handles, which point at capture files meanwhile. A Windows console program ends its
// lines with CR LF; they are read back as LF, so that expectations read the same on every
// host. The POSIX-only calls refuse: the tests that need them skip themselves here.
#include "tests/support/run_process.h"

#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/scoped_dir.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <io.h>
#include <stdexcept>
#include <sys/stat.h>

namespace
{
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

// Under Wine, a program that is no Windows program (such as /usr/bin/zip, one of the
// archive writers) is a host program. Wine starts it, but gives neither a handle to wait
// on nor the standard handles, so a shell runs it: it takes the program and its
// arguments from a file, one a line, sends the outputs to the capture files and writes
// the exit status last; the run waits for that file.
ProcessResult RunHostProgram(const std::string &program, const std::vector<std::string> &args,
                             const std::string &folder)
{
    ScopedDir capture;
    std::string hostCapture = HostFileName(capture.path());
    if (hostCapture.empty())
        throw std::runtime_error("host programs run only under Wine: " + program);
    std::string words = program + "\n";
    for (const std::string &arg : args)
        words += arg + "\n";
    WriteFile(capture / "args", words);
    WriteFile(capture / "run",
              "c=$(dirname \"$0\"); set --\n"
              "while IFS= read -r a; do set -- \"$@\" \"$a\"; done <\"$c/args\"\n"
              "\"$@\" </dev/null >\"$c/out\" 2>\"$c/err\"\n"
              "echo $? >\"$c/status.part\"; mv \"$c/status.part\" \"$c/status\"\n");
    std::string commandLine = "/bin/sh \"" + hostCapture + "/run\"";
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
    return {std::atoi(ReadFile(capture / "status").c_str()), ReadFile(capture / "out"),
            ReadFile(capture / "err")};
}

[[noreturn]] void Refuse(const char *what)
{
    throw std::logic_error(std::string(what) + " is POSIX only; the test should have skipped");
}
} // namespace

std::string ReadTextOutput(const std::string &path)
{
    return WithoutCarriageReturns(ReadFile(path));
}

ProcessResult RunProcess(const std::string &program, const std::vector<std::string> &args,
                         const std::string &folder, const ProcessOptions &options)
{
    if (options.unprivileged || options.fileSizeLimit >= 0)
        Refuse("ProcessOptions");
    if (!IsWindowsProgram(program))
        return RunHostProgram(program, args, folder);
    ScopedDir capture;
    // Named in full before the current folder changes.
    std::string fullName = std::filesystem::absolute(program).string();
    std::vector<const char *> argv = {fullName.c_str()};
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);

    fflush(stdout);
    fflush(stderr);
    const int create = _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY;
    int targets[3] = {_open("NUL", _O_RDONLY),
                      _open((capture / "out").c_str(), create, _S_IREAD | _S_IWRITE),
                      _open((capture / "err").c_str(), create, _S_IREAD | _S_IWRITE)};
    int saved[3];
    for (int fd = 0; fd < 3; ++fd)
    {
        saved[fd] = _dup(fd);
        _dup2(targets[fd], fd);
        _close(targets[fd]);
    }
    char previous[MAX_PATH];
    bool moved =
        Plat_GetCwd(previous, sizeof(previous)) && Plat_SetCurrentDirectory(folder.c_str());
    int status = moved ? Plat_SpawnWait(argv.data()) : -1;
    if (moved)
        Plat_SetCurrentDirectory(previous);
    for (int fd = 0; fd < 3; ++fd)
    {
        if (saved[fd] >= 0)
            _dup2(saved[fd], fd);
        _close(saved[fd] >= 0 ? saved[fd] : fd);
    }
    return {status, WithoutCarriageReturns(ReadFile(capture / "out")),
            WithoutCarriageReturns(ReadFile(capture / "err"))};
}

StartedProcess StartProcess(const std::string &, const std::vector<std::string> &,
                            const std::string &)
{
    Refuse("StartProcess");
}

void KillProcess(StartedProcess *)
{
    Refuse("KillProcess");
}

bool WaitForFile(const std::string &, const StartedProcess &)
{
    Refuse("WaitForFile");
}

void GiveToUnprivilegedUser(const std::string &)
{
    Refuse("GiveToUnprivilegedUser");
}
