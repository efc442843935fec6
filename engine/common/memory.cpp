// Z_Malloc and friends.
#include "engine/common/memory.h"

#include "engine/common/console.h"

#include <cstdlib>
#include <cstring>

void *Z_Malloc(int size)
{
    void *block =
        size >= 0 ? malloc(static_cast<size_t>(size) ? static_cast<size_t>(size) : 1) : nullptr;
    if (block == nullptr)
    {
        Com_ErrorPrint("Z_Malloc: failed to allocate %d bytes\n", size);
        Com_ReportError("Z_Malloc: EXE_ERR_OUT_OF_MEMORY");
        throw ComErrorClass();
    }
    memset(block, 0, static_cast<size_t>(size));
    return block;
}

char *Z_CopyString(const char *text)
{
    size_t length = strlen(text);
    char *copy = static_cast<char *>(Z_Malloc(static_cast<int>(length + 1)));
    memcpy(copy, text, length + 1);
    return copy;
}

// No hunk is ever set up in this tool, so temporary memory is plain zeroed heap.
void *Hunk_AllocateTempMemory(int size)
{
    return Z_Malloc(size);
}

void *Z_DecompressorAlloc(void *, unsigned items, unsigned size)
{
    unsigned long long total = static_cast<unsigned long long>(items) * size;
    if (total > 0x7fffffffull)
    {
        Com_ErrorPrint("Z_Malloc: failed to allocate %d bytes\n", -1);
        Com_ReportError("Z_Malloc: EXE_ERR_OUT_OF_MEMORY");
        return nullptr; // zlib turns this into Z_MEM_ERROR
    }
    return Z_Malloc(static_cast<int>(total));
}

void Z_DecompressorFree(void *, void *block)
{
    free(block);
}
