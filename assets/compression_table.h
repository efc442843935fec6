// The compression table file: names for compression settings, and the default.
#pragma once

#include "records/compression_settings.h"

// Loads the current platform's table into the run state's compressionTable. A missing,
// empty or foreign file is reported and leaves the table as it was; a parse failure is
// reported and leaves the entries completed before it.
void Tool_LoadCompressionTable();
