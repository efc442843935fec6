// The process-wide run state.
#include "records/tool_state.h"

ToolState toolState;
