// The path rules of the file system: cleaning game paths, comparing and ordering paths as
// the file system does, and forming and making operating-system paths.
#include "engine/fs/game_path.h"

#include "engine/common/console.h"
#include "engine/common/format.h"
#include "platform/files.h"

#include <cstring>
#include <string>

namespace
{
// Path characters as the file system compares them: signed bytes, a-z raised to
// capitals, "\" and ":" read as "/".
int PathChar(char c)
{
    int value = static_cast<signed char>(c);
    if (value >= 'a' && value <= 'z')
        value -= 'a' - 'A';
    if (value == '\\' || value == ':')
        value = '/';
    return value;
}

} // namespace

bool FS_CleanGamePath(const char *in, char *out)
{
    while (*in == '/' || *in == '\\')
        ++in;
    int length = 0;
    while (*in != 0)
    {
        char c = *in;
        char following = in[1];
        if ((c == '.' && following == '.') || (c == ':' && following == ':'))
            return false;
        if (c == '.' && (following == 0 || following == '/' || following == '\\'))
        {
            ++in;
            continue;
        }
        if (length >= FS_PATH_SIZE - 1)
            return false;
        if (c == '/' || c == '\\')
        {
            out[length++] = '/';
            ++in;
            while (*in == '/' || *in == '\\')
                ++in;
            continue;
        }
        out[length++] = c;
        ++in;
    }
    out[length] = 0;
    return true;
}

int FS_SamePath(const char *a, const char *b)
{
    for (;; ++a, ++b)
    {
        if (PathChar(*a) != PathChar(*b))
            return 1;
        if (*a == 0)
            return 0;
    }
}

int FS_PathOrder(const char *a, const char *b)
{
    for (;; ++a, ++b)
    {
        if (*a == 0 || *b == 0)
            return *a != 0 ? 1 : (*b != 0 ? -1 : 0);
        int ca = PathChar(*a);
        int cb = PathChar(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

void FS_NormalizeOSSeparators(char *path)
{
    char *write = path;
    for (const char *read = path; *read != 0;)
    {
        if (*read == '/' || *read == '\\')
        {
            *write++ = '\\';
            while (*read == '/' || *read == '\\')
                ++read;
        }
        else
        {
            *write++ = *read++;
        }
    }
    *write = 0;
}

void FS_BuildOSPath(const char *base, const char *game, const char *gamePath, char *out)
{
    size_t length = strlen(base) + strlen(game) + strlen(gamePath) + 2;
    if (length >= FS_PATH_SIZE)
    {
        Com_ReportError("FS_BuildOSPath: os path length exceeded\n");
        // An empty result, rather than a cut one that could name some other file.
        out[0] = 0;
        return;
    }
    Com_FormatBuffer(out, FS_PATH_SIZE, "%s/%s/%s", base, game, gamePath);
    FS_NormalizeOSSeparators(out);
}

int FS_CreateOSDirectories(const char *osPath)
{
    if (strstr(osPath, "::") != nullptr)
    {
        Com_PrintVerbose("WARNING: refusing to create relative path \"%s\"\n", osPath);
        return 1;
    }
    std::string folder(osPath);
    for (size_t i = 1; i < folder.size(); ++i)
    {
        if (folder[i] != '\\')
            continue;
        folder[i] = 0;
        Plat_MakeDir(folder.c_str());
        folder[i] = '\\';
    }
    return 0;
}
