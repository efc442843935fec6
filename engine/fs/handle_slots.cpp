// The handle slots of open game files.
#include "engine/fs/handle_slots.h"

FileHandleSlot fsHandles[FS_MAX_HANDLES];
