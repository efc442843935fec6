// Start-up and shutdown.
#include "tool/startup.h"

#include "engine/common/byte_order.h"
#include "engine/common/console.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/search_path.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/lock.h"
#include "platform/system.h"
#include "records/paths.h"
#include "records/tool_state.h"
#include "tool/report.h"
#include "tool/run_json.h"

#include <cstdio>
#include <cstring>

namespace
{
const LocalizedPrefix localizedPrefixTable[2] = {
    {"battlechatter", 13},
    {"voiceovers", 10},
};

// Held from Tool_LockKit to the end of the process. Whoever holds it may use the scratch
// folder and write the history; a run that could not take it for a reason other than
// another run (a source root it may not write) goes on as if it held it.
PlatLock *kitLock = nullptr;
bool ownsScratchFolder = false;
} // namespace

void Tool_SetDefaults()
{
    toolState.options = ToolOptions{};
    toolState.run = ToolRun{};
    toolState.run.startTime = Plat_Milliseconds();
    Com_BindOutputOptions(&toolState.options.verbose, toolState.options.logFileName);
}

void Tool_Init()
{
    Com_InitByteOrder();
    Dvar_RegisterBool("sv_cheats", true, 0x18, "External Dvar");

    char kitRoot[TOOL_PATH_SIZE];
    if (!Tool_GetWorkingDir(kitRoot))
    {
        // The kit root is derived from the working directory; without it nothing can run.
        Com_ErrorPrint("the working directory cannot be read or is longer than %d characters\n",
                       TOOL_WORKING_DIR_READ - 1);
        throw ComErrorClass();
    }
    size_t length = strlen(kitRoot);
    if (length > 0 && kitRoot[length - 1] == '/')
        kitRoot[--length] = 0;
    if (length >= 4 && Str_CaseCompare(kitRoot + length - 4, "/bin") == 0)
        kitRoot[length - 4] = 0;

    Com_FormatBuffer(toolState.folders.baseDir, sizeof(toolState.folders.baseDir), "%s/", kitRoot);
    Com_FormatBuffer(toolState.folders.sourceRoot, sizeof(toolState.folders.sourceRoot), "%s/%s",
                     kitRoot, "sound_assets");
    Com_FormatBuffer(toolState.folders.tempDir, sizeof(toolState.folders.tempDir), "%s/%s",
                     toolState.folders.sourceRoot, "tempEncodings");
    Tool_BackSlashPath(toolState.folders.tempDir);
    // The scratch folder is made once the kit's lock is held (Tool_LockKit): a run that
    // ends with its command line (help, a usage error) touches no other run's files.

    Dvar *basePath = Dvar_FindVar("fs_basepath");
    if (basePath != nullptr)
        Dvar_SetFromString(basePath, toolState.folders.baseDir);
    else
        Dvar_RegisterString("fs_basepath", toolState.folders.baseDir, 0x4000, "External Dvar");

    FS_Startup();

    for (int i = 0; i < 2; ++i)
        toolState.folders.localizedPrefixes[i] = localizedPrefixTable[i];
    Str_Copy(toolState.options.languageDir, "english/", sizeof(toolState.options.languageDir));
}

bool Tool_LockKit()
{
    // A dry run touches neither the scratch folder nor the history.
    if (toolState.options.dryRun)
        return true;
    // Without a source root there is no scratch folder and no history to keep apart.
    if (!Plat_IsDirectory(toolState.folders.sourceRoot))
        return true;
    std::string path = std::string(toolState.folders.sourceRoot) + "/Auralith.lock";
    kitLock = Plat_LockFile(path.c_str(), false);
    if (kitLock == nullptr && Plat_LastError() == PLAT_ERROR_LOCK_VIOLATION)
    {
        fprintf(stderr, "Auralith: waiting for another run in this kit to finish\n");
        fflush(stderr);
        kitLock = Plat_LockFile(path.c_str(), true);
        if (kitLock == nullptr && Plat_LastError() == PLAT_ERROR_OPERATION_ABORTED)
            return false;
    }
    if (kitLock == nullptr)
    {
        char reason[TOOL_PATH_SIZE];
        Plat_ErrorMessage(Plat_LastError(), reason, sizeof(reason));
        fprintf(stderr,
                "Auralith: cannot lock this kit (%s: %s); another run may disturb this one\n",
                path.c_str(), reason);
        fflush(stderr);
    }
    // The run that held the lock before removed the scratch folder on its way out.
    Plat_MakeDir(toolState.folders.tempDir);
    ownsScratchFolder = true;
    return true;
}

int Tool_Shutdown()
{
    FS_ShutdownFileSystem();
    Dvar_Shutdown();
    if (ownsScratchFolder)
        Plat_RemoveDir(toolState.folders.tempDir);
    // Everything that was not spent in the encoders counts as other time.
    uint32_t elapsed = Plat_Milliseconds() - toolState.run.startTime;
    toolState.run.otherTime =
        elapsed > toolState.run.encodeTime ? elapsed - toolState.run.encodeTime : 0;
    // The record of the run comes first, so that a failure to write it is in the report.
    if (toolState.run.record.enabled)
        Tool_WriteRunJson();
    int errorCount = 0;
    if (!toolState.options.listFiles && !toolState.options.copyStreamed &&
        !toolState.options.check3D && !toolState.options.checkPriv)
        errorCount = Tool_PrintReport();
    if (toolState.options.verbose)
        Tool_PrintTiming();
    Com_CloseLog();
    FS_ShutdownFileSystem();
    Plat_UnlockFile(kitLock);
    kitLock = nullptr;
    return errorCount;
}
