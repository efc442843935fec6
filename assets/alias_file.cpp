// Reading one alias file through the engine file system.
#include "assets/alias_file.h"

#include "engine/common/console.h"
#include "engine/fs/file_access.h"
#include "platform/errors.h"
#include "records/error_records.h"

#include <cstdlib>
#include <string>

void Tool_ParseAliasFile(int platformIndex, const char *aliasFileName)
{
    std::string gamePath = std::string("soundaliases/") + aliasFileName;
    void *buffer = nullptr;
    if (FS_ReadFile(gamePath.c_str(), &buffer) < 0)
    {
        Tool_AddError(PLAT_ERROR_FILE_NOT_FOUND, gamePath.c_str(), 0);
        return;
    }
    Tool_ParseAliasText(platformIndex, aliasFileName, gamePath.c_str(),
                        static_cast<const char *>(buffer));
    free(buffer);
}
