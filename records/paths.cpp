// Path utilities of the tool.
#include "records/paths.h"

#include "engine/common/format.h"
#include "platform/files.h"
#include "records/tool_state.h"

#include <cstring>
#include <string>

bool Tool_GetWorkingDir(char *buffer)
{
    char directory[TOOL_WORKING_DIR_READ];
    buffer[0] = 0;
    if (!Plat_GetCwd(directory, sizeof(directory)))
        return false;
    size_t length = strlen(directory);
    memcpy(buffer, directory, length);
    buffer[length] = '/';
    buffer[length + 1] = 0;
    for (char *c = buffer; *c; ++c)
        if (*c == '\\')
            *c = '/';
    return true;
}

void Tool_BackSlashPath(char *path)
{
    // One pass: separators become "\", and of each pair of backslashes met at the scan
    // position the first is dropped while the scan moves on past the second.
    char *out = path;
    const char *in = path;
    while (char c = *in++)
    {
        if (c != '/' && c != '\\')
        {
            *out++ = c;
            continue;
        }
        *out++ = '\\';
        if (*in == '/' || *in == '\\')
            ++in;
    }
    *out = 0;
}

void Tool_MakeDirPath(const char *path)
{
    std::string copy(path);
    for (char &c : copy)
        if (c == '\\')
            c = '/';
    if (!copy.empty() && copy.back() == '/')
        copy.pop_back();
    for (size_t slash = copy.find('/'); slash != std::string::npos;
         slash = copy.find('/', slash + 1))
        Plat_MakeDir(copy.substr(0, slash).c_str());
    Plat_MakeDir(copy.c_str());
}

void Tool_MakeDirForFile(const char *path)
{
    const char *slash = strrchr(path, '/');
    const char *backslash = strrchr(path, '\\');
    const char *last = slash > backslash ? slash : backslash;
    if (last == nullptr)
        return;
    Tool_MakeDirPath(std::string(path, static_cast<size_t>(last - path + 1)).c_str());
}

void Tool_ReplaceExtension(char *path, const char *text)
{
    Str_StripExtension(path, path);
    strcat(path, text);
}
