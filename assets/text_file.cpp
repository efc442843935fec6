// Whole text files read with the C runtime.
#include "assets/text_file.h"

#include "engine/common/console.h"
#include "engine/common/memory.h"
#include "platform/files.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

int Tool_LoadTextFile(const char *path, char **buffer)
{
    *buffer = nullptr;
    FILE *file = Plat_FOpen(path, "rb");
    if (file == nullptr)
    {
        Com_ReportError("%s : file not found.\n", path);
        return 0;
    }
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    // A size that cannot be taken, or does not fit the int result with its terminator,
    // counts as a read error.
    if (size < 0 || size >= INT_MAX || fseek(file, 0, SEEK_SET) != 0)
    {
        fclose(file);
        Com_ReportError("%s : error reading file.\n", path);
        return 0;
    }
    char *text = static_cast<char *>(Z_Malloc(static_cast<int>(size) + 1));
    size_t got = fread(text, 1, static_cast<size_t>(size), file);
    fclose(file);
    if (got < static_cast<size_t>(size))
    {
        // The buffer is released here, so a failed load never hands anything over.
        free(text);
        Com_ReportError("%s : error reading file.\n", path);
        return 0;
    }
    if (size == 0)
    {
        free(text);
        return 0;
    }
    text[size] = 0;
    *buffer = text;
    return static_cast<int>(size);
}
