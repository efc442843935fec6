// One platform's run: alias files to work lists, the orphan walk, conversion or a side
// action for every sound file, the history written back.
#pragma once

#include "records/platform_info.h"

void Tool_RunPlatform(int platformIndex, Tool_FileAction action);

// The side action that replaces conversion, or null for a conversion run. The check of
// the PRIV chunk wins over the 3D check, which wins over listing and copying.
Tool_FileAction Tool_ChooseAction();

// The number of sound files a conversion run converts at the same time: "-jobs", with 0
// for one per processor, at most TOOL_MAX_JOBS.
int Tool_JobCount();
