// One platform's run, in order: compression table, history, alias files, merge, the
// orphan walk, the work lists, the history written back, scratch files removed.
#include "tool/run_driver.h"

#include "assets/alias_file.h"
#include "assets/compression_table.h"
#include "assets/history.h"
#include "assets/sound_list.h"
#include "convert/checks.h"
#include "convert/encoder_pc.h"
#include "convert/update_check.h"
#include "engine/common/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "records/tool_state.h"
#include "tool/conversion_jobs.h"
#include "tool/copy_list.h"
#include "tool/list_loop.h"
#include "tool/platform_table.h"
#include "tool/progress.h"
#include "tool/report.h"

int Tool_JobCount()
{
    int jobs = toolState.options.jobs;
    if (jobs == 0)
        jobs = Plat_ProcessorCount();
    return jobs < TOOL_MAX_JOBS ? jobs : TOOL_MAX_JOBS;
}

Tool_FileAction Tool_ChooseAction()
{
    Tool_FileAction action = nullptr;
    if (toolState.options.listFiles || toolState.options.copyStreamed)
        action = Tool_CopyOrListFile;
    if (toolState.options.check3D)
        action = Tool_Check3D;
    if (toolState.options.checkPriv)
        action = Tool_CheckPriv;
    return action;
}

void Tool_RunPlatform(int platformIndex, Tool_FileAction action)
{
    toolState.run.platformIndex = platformIndex;
    toolState.run.loadedList = SoundFileList{nullptr, 0};
    toolState.run.streamedList = SoundFileList{nullptr, 0};
    toolState.run.platform = &platformTable[platformIndex];
    const PlatformInfo *platform = toolState.run.platform;

    try
    {
        if (platform->compressionTableFile[0] != 0)
            Tool_LoadCompressionTable();
        if (toolState.options.useHistory)
            Tool_ReadHistory();
        for (const std::string &name : toolState.options.aliasFiles)
            Tool_ParseAliasFile(platformIndex, name.c_str());
        if (toolState.run.record.enabled)
            Tool_RecordAliases();
        if (!toolState.options.skipLoaded)
            Tool_MergeSoundList(&toolState.run.loadedList);
        if (!toolState.options.skipStreamed)
            Tool_MergeSoundList(&toolState.run.streamedList);

        char outputRoot[TOOL_PATH_SIZE];
        Com_FormatBuffer(outputRoot, sizeof(outputRoot), "%s%s", toolState.folders.baseDir,
                         platform->outputDir);
        Tool_FindOrphanCandidates(outputRoot);

        if (action == nullptr)
        {
            Tool_BeginProgress(
                (toolState.options.skipLoaded ? 0 : toolState.run.loadedList.count) +
                (toolState.options.skipStreamed ? 0 : toolState.run.streamedList.count));
            int jobs = Tool_JobCount();
            if (jobs > 1)
                Tool_BeginJobs(jobs);
        }
        if (!toolState.options.skipLoaded)
            Tool_ProcessSoundList(outputRoot, toolState.run.loadedList.head,
                                  toolState.run.loadedList.count, action);
        if (!toolState.options.skipStreamed)
            Tool_ProcessSoundList(outputRoot, toolState.run.streamedList.head,
                                  toolState.run.streamedList.count, action);
        // The conversions still in hand end before the history is written.
        Tool_EndJobs();
        Tool_EndProgress();

        // A side action reads no history and makes no record: writing would replace the
        // stored history with an empty one, so the file is left as it is. A dry run changes
        // nothing on disk: neither the history nor the scratch folder.
        if (action == nullptr && !toolState.options.dryRun)
            Tool_WriteHistory();
        Tool_FreeHistory();

        if (!toolState.options.dryRun)
        {
            for (int n = platform->minCompression; n <= platform->maxCompression; ++n)
                Plat_RemoveFile(va("%s\\%d.xma", toolState.folders.tempDir, n));
            // The encoders' scratch files go too, so that the scratch folder is empty and
            // removed at shutdown.
            Tool_RemovePcScratchFiles(toolState.folders.tempDir);
        }
    }
    catch (const ComErrorClass &)
    {
        Tool_EndJobs();
        Tool_EndProgress();
        Tool_AddError(0, platform->name, TOOL_ERROR_PLATFORM_UPDATE);
        Tool_FreeHistory();
    }

    Tool_FreeSoundList(&toolState.run.loadedList);
    Tool_FreeSoundList(&toolState.run.streamedList);
}
