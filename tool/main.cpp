// The entry point of Auralith.
#include "engine/common/console.h"
#include "engine/fs/listing.h"
#include "platform/interrupt.h"
#include "records/tool_state.h"
#include "tool/command_line.h"
#include "tool/run_driver.h"
#include "tool/startup.h"

int main(int argc, char **argv)
{
    Plat_CatchInterrupts();
    Tool_SetDefaults();
    try
    {
        Tool_Init();
    }
    catch (const ComErrorClass &)
    {
        Tool_AddError(0, "", TOOL_ERROR_FS_INIT);
        return 1;
    }

    if (!Tool_ParseCommandLine(argc, argv))
    {
        Tool_Shutdown();
        return 1;
    }
    if (!Tool_LockKit())
        return Plat_InterruptedExitStatus();

    if (toolState.options.aliasFiles.empty())
    {
        int count = 0;
        const char **names = FS_ListFilteredFiles("soundaliases", "csv", &count);
        for (int i = 0; i < count; ++i)
            toolState.options.aliasFiles.push_back(names[i]);
        FS_ReleaseFileList(names);
    }
    if (toolState.options.aliasFiles.empty())
    {
        Com_Print(CHANNEL_TOOL, "WARNING: can't find any sound alias files (soundaliases/*.csv)\n");
        Tool_Shutdown();
        return 1;
    }

    Tool_FileAction action = Tool_ChooseAction();
    if (action != nullptr)
    {
        toolState.options.useHistory = false;
        toolState.options.ignoreOrphans = true;
    }
    // Conversion runs keep a record of what they do when one is asked for; side actions
    // write none.
    toolState.run.record.enabled = action == nullptr && toolState.options.reportJson[0] != 0;
    for (int i = 0; i < PLATFORM_COUNT; ++i)
        if (toolState.options.platformSelected[i] || toolState.options.allPlatforms)
            Tool_RunPlatform(i, action);
    // An interrupted run reports what it did but no orphans: the files it did not reach
    // would show there.
    bool interrupted = Plat_Interrupted();
    if (interrupted)
        toolState.options.ignoreOrphans = true;
    int errorCount = Tool_Shutdown();
    return interrupted ? Plat_InterruptedExitStatus() : Plat_ExitStatus(errorCount);
}
