// The process-wide run state.
#include "tool/tool_state.h"

ToolState toolState;
