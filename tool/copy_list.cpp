// "-list", "-list-streamed", "-list-resident" and "-copy-streamed-to". Output goes
// straight to standard output and standard error, not to the log.
#include "tool/copy_list.h"

#include "engine/common/format.h"
#include "engine/fs/file_access.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "records/tool_state.h"

#include <cstdio>
#include <cstring>

void Tool_CopyOrListFile(SoundFileEntry *entry, const char *, const char *targetPath,
                         XUHistoryEntry *)
{
    if (toolState.options.skipLoaded && !entry->streamed)
        return;
    if (toolState.options.skipStreamed && entry->streamed)
        return;

    char root[TOOL_PATH_SIZE];
    Com_FormatBuffer(root, sizeof(root), "%s%s", toolState.folders.baseDir,
                     toolState.run.platform->outputDir);
    for (char *c = root; *c; ++c)
        if (*c == '/')
            *c = '\\';
    size_t rootLength = strlen(root);
    const char *relative = targetPath;
    if (Str_CaseCompareN(targetPath, root, static_cast<int>(rootLength)) == 0)
    {
        relative = targetPath + rootLength;
        if (*relative == '\\')
            ++relative;
    }

    if (toolState.options.listFiles)
    {
        if (toolState.options.copyStreamed)
            printf("Copying: %s", targetPath);
        else
            printf("%s", relative);
    }
    if (toolState.options.copyStreamed)
    {
        char destination[TOOL_PATH_SIZE * 2];
        Com_FormatBuffer(destination, sizeof(destination), "%s\\%s",
                         toolState.options.copyDestination, relative);
        if (toolState.options.listFiles)
            printf("\n     To: %s\n", destination);
        // Without a destination the copies would land below the root of the drive, far
        // outside anything the user named: nothing is copied then.
        if (toolState.options.copyDestination[0] == 0)
        {
            fflush(stdout);
            fprintf(stderr, "  Error: no destination directory given -- not copying  %s\n",
                    targetPath);
        }
        else if (!Plat_CopyFile(targetPath, destination))
        {
            FS_CreateOSDirectories(destination);
            if (!Plat_CopyFile(targetPath, destination))
            {
                fflush(stdout);
                fprintf(stderr, "  Error: 0x%.8X -- Failed copying  %s  TO  %s\n", Plat_LastError(),
                        targetPath, destination);
            }
        }
    }
    if (toolState.options.listFiles)
        printf("\n");
    fflush(stdout);
}
