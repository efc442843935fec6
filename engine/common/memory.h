// Zeroed heap blocks and the decompressor's allocation hooks. A failed allocation is
// reported and then raises ComErrorClass, which ends start-up or the platform's run:
// no caller ever continues with a missing block.
#pragma once

#include <cstddef>

void *Z_Malloc(int size);
char *Z_CopyString(const char *text);
void *Hunk_AllocateTempMemory(int size);
void *Z_DecompressorAlloc(void *opaque, unsigned items, unsigned size);
void Z_DecompressorFree(void *opaque, void *block);
