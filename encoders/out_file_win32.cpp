// Paths as the kit tool spells them, and output files that appear whole or not at all:
// the Windows build, where the tool's spelling is the system's own and a rename over an
// existing file must say so.
#include "encoders/out_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

std::string Enc_NativePath(const std::string &path)
{
    return path;
}

namespace
{

// The temporary file being written, for the console control handler: an interrupted
// program removes it, so that nothing is left beside the output. The file is open with
// delete sharing, so the removal takes effect when the ending process closes it.
char partPath[MAX_PATH + 32];
volatile LONG partPathSet = 0;

BOOL WINAPI RemovePart(DWORD)
{
    if (partPathSet)
        DeleteFileA(partPath);
    return FALSE; // the system's own handler ends the process
}

std::string SystemMessage(DWORD code)
{
    char text[512] = {};
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, sizeof(text), nullptr) == 0)
        snprintf(text, sizeof(text), "error %lu", static_cast<unsigned long>(code));
    std::string message(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

} // namespace

bool Enc_WriteFileWhole(const std::string &path, const EncBytes &bytes, std::string &error)
{
    std::string temp = path + ".part" + std::to_string(GetCurrentProcessId());
    if (temp.size() >= sizeof(partPath))
    {
        error = "cannot write " + path + ": " + SystemMessage(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    memcpy(partPath, temp.c_str(), temp.size() + 1);
    SetConsoleCtrlHandler(RemovePart, TRUE);
    // Made new, never written through a file or link that is already there.
    DeleteFileA(temp.c_str());
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        partPathSet = 1;
    if (file == INVALID_HANDLE_VALUE)
    {
        error = "cannot write " + path + ": " + SystemMessage(GetLastError());
        return false;
    }
    DWORD failure = 0;
    size_t done = 0;
    while (done < bytes.size() && failure == 0)
    {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            failure = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        done += written;
    }
    if (!CloseHandle(file) && failure == 0)
        failure = GetLastError();
    if (failure == 0 && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        failure = GetLastError();
    partPathSet = 0;
    if (failure != 0)
    {
        DeleteFileA(temp.c_str());
        error = "cannot write " + path + ": " + SystemMessage(failure);
        return false;
    }
    return true;
}
