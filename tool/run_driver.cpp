// One platform's run, in order: compression table, history, alias files, merge, the
// orphan walk, the work lists, the history written back, scratch files removed.
#include "tool/run_driver.h"

#include "assets/alias_file.h"
#include "assets/compression_table.h"
#include "assets/history.h"
#include "assets/sound_list.h"
#include "convert/checks.h"
#include "convert/update_check.h"
#include "platform/files.h"
#include "tool/copy_list.h"
#include "tool/progress.h"
#include "tool/report.h"
#include "tool/tool_state.h"

Tool_FileAction Tool_ChooseAction()
{
    Tool_FileAction action = nullptr;
    if (toolState.listFiles || toolState.copyStreamed)
        action = Tool_CopyOrListFile;
    if (toolState.check3D)
        action = Tool_Check3D;
    if (toolState.checkPriv)
        action = Tool_CheckPriv;
    return action;
}

void Tool_RunPlatform(int platformIndex, Tool_FileAction action)
{
    toolState.platformIndex = platformIndex;
    toolState.loadedList = SoundFileList{nullptr, 0};
    toolState.streamedList = SoundFileList{nullptr, 0};
    toolState.platform = &platformTable[platformIndex];
    const PlatformInfo *platform = toolState.platform;

    try
    {
        if (platform->compressionTableFile[0] != 0)
            Tool_LoadCompressionTable();
        if (toolState.useHistory)
            Tool_ReadHistory();
        for (const std::string &name : toolState.aliasFiles)
            Tool_ParseAliasFile(platformIndex, name.c_str());
        if (!toolState.skipLoaded)
            Tool_MergeSoundList(&toolState.loadedList);
        if (!toolState.skipStreamed)
            Tool_MergeSoundList(&toolState.streamedList);

        char outputRoot[TOOL_PATH_SIZE];
        Com_FormatBuffer(outputRoot, sizeof(outputRoot), "%s%s", toolState.baseDir,
                         platform->outputDir);
        Tool_FindOrphanCandidates(outputRoot);

        if (action == nullptr)
            Tool_BeginProgress((toolState.skipLoaded ? 0 : toolState.loadedList.count) +
                               (toolState.skipStreamed ? 0 : toolState.streamedList.count));
        if (!toolState.skipLoaded)
            Tool_ProcessSoundList(toolState.loadedList.head, toolState.loadedList.count, action);
        if (!toolState.skipStreamed)
            Tool_ProcessSoundList(toolState.streamedList.head, toolState.streamedList.count,
                                  action);
        Tool_EndProgress();

        // A side action reads no history and makes no record: writing would replace the
        // stored history with an empty one, so the file is left as it is.
        if (action == nullptr)
            Tool_WriteHistory();
        Tool_FreeHistory();

        for (int n = platform->minCompression; n <= platform->maxCompression; ++n)
            Plat_RemoveFile(va("%s\\%d.xma", toolState.tempDir, n));
        // The encoders' scratch files go too, so that the scratch folder is empty and
        // removed at shutdown.
        Plat_RemoveFile(va("%s\\temp.rate.wav", toolState.tempDir));
        Plat_RemoveFile(va("%s\\temp.encode.wav", toolState.tempDir));
    }
    catch (const ComErrorClass &)
    {
        Tool_EndProgress();
        Tool_AddError(0, platform->name, TOOL_ERROR_PLATFORM_UPDATE);
        Tool_FreeHistory();
    }

    Tool_FreeSoundList(&toolState.loadedList);
    Tool_FreeSoundList(&toolState.streamedList);
}
