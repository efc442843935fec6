// The table of platforms this tool converts for, in the order they are run and listed.
#pragma once

#include "records/platform_info.h"

extern const PlatformInfo platformTable[PLATFORM_COUNT];
