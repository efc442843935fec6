// Whole-file reads and the replace-by-rename write of converted files.
#include "convert/whole_file.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

unsigned char *Tool_ReadWholeFile(const char *path, int *sizeOut)
{
    if (sizeOut != nullptr)
        *sizeOut = 0;
    FILE *file = Plat_FOpen(path, "rb");
    if (file == nullptr)
        return nullptr;
    unsigned char *buffer = nullptr;
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        length = ftell(file);
    if (length >= 0 && length <= INT_MAX)
    {
        if (sizeOut != nullptr)
            *sizeOut = int(length);
        if (fseek(file, 0, SEEK_SET) == 0)
            buffer = static_cast<unsigned char *>(malloc(size_t(length) + 1));
        if (buffer != nullptr)
        {
            if (fread(buffer, 1, size_t(length), file) == size_t(length))
            {
                buffer[length] = 0;
            }
            else
            {
                free(buffer);
                buffer = nullptr;
            }
        }
    }
    fclose(file);
    return buffer;
}

bool Tool_WriteWholeFile(const char *path, int size, const unsigned char *buffer)
{
    if (size < 0)
    {
        Plat_SetLastError(PLAT_ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string temporary = std::string(path) + ".tmp";
    FILE *file = Plat_CreateNewFile(temporary.c_str());
    if (file == nullptr)
        return false;
    // A short write without a host error is a full disk in practice.
    bool written = size == 0 || fwrite(buffer, 1, size_t(size), file) == size_t(size);
    if (!written)
        Plat_SetLastError(PLAT_ERROR_DISK_FULL);
    // Not forced to the disk before the rename: the rename alone keeps a stopped run from
    // leaving a half-written file, and waiting for the disk would cost more per file than
    // the encoders do.
    if (fclose(file) != 0 && written)
    {
        Plat_SetLastError(PLAT_ERROR_DISK_FULL);
        written = false;
    }
    if (written && Plat_ReplaceFile(temporary.c_str(), path))
        return true;
    // Keep the code of the failure, not that of the clean-up.
    uint32_t error = Plat_LastError();
    Plat_RemoveFile(temporary.c_str());
    Plat_SetLastError(error);
    return false;
}
