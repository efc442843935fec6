// The user hunk over the platform's reserve/commit.
#include "engine/common/hunk_user.h"

#include "engine/common/console.h"
#include "platform/vmem.h"

#include <cstring>

namespace
{
constexpr uintptr_t COMMIT_PAGE = 4096;

uintptr_t AlignUp(uintptr_t value, uintptr_t alignment)
{
    return (value + alignment - 1) & ~(alignment - 1);
}

void CommitOrFail(void *address, size_t size)
{
    if (!Plat_Commit(address, size))
    {
        Com_Print(16, "Z_VirtualCommit: failed to allocate %d bytes\n", static_cast<int>(size));
        Com_ReportError("Z_VirtualCommit: EXE_ERR_OUT_OF_MEMORY");
        throw ComErrorClass();
    }
}
} // namespace

HunkUser *Hunk_UserCreate(int maxSize, const char *name)
{
    char *start = static_cast<char *>(Plat_Reserve(static_cast<size_t>(maxSize)));
    if (start == nullptr)
    {
        Com_Print(16, "Z_VirtualCommit: failed to allocate %d bytes\n", maxSize);
        Com_ReportError("Z_VirtualCommit: EXE_ERR_OUT_OF_MEMORY");
        throw ComErrorClass();
    }
    CommitOrFail(start, sizeof(HunkUser));
    HunkUser *block = reinterpret_cast<HunkUser *>(start);
    block->current = block;
    block->next = nullptr;
    block->maxSize = static_cast<uint32_t>(maxSize);
    block->end = start + maxSize;
    block->pos =
        reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(start) + 67) & ~uintptr_t(31));
    block->committedEnd =
        reinterpret_cast<char *>(AlignUp(reinterpret_cast<uintptr_t>(block->pos), COMMIT_PAGE));
    block->name = name;
    return block;
}

void *Hunk_UserAlloc(HunkUser *arena, int size, int alignment)
{
    HunkUser *block = arena->current;
    uintptr_t align = static_cast<uintptr_t>(alignment);
    uintptr_t p = AlignUp(reinterpret_cast<uintptr_t>(block->pos), align);
    // A request larger than an empty block cannot be served by adding blocks.
    if (static_cast<uintptr_t>(size) + 64 + align > block->maxSize)
    {
        Com_ReportError("Hunk_UserAlloc: %d bytes do not fit a block of %s\n", size, block->name);
        throw ComErrorClass();
    }
    while (p + static_cast<uintptr_t>(size) > reinterpret_cast<uintptr_t>(block->end))
    {
        HunkUser *fresh = Hunk_UserCreate(static_cast<int>(block->maxSize), block->name);
        block->next = fresh;
        arena->current = fresh;
        block = fresh;
        p = AlignUp(reinterpret_cast<uintptr_t>(block->pos), align);
    }
    block->pos = reinterpret_cast<char *>(p + static_cast<uintptr_t>(size));
    if (block->pos > block->committedEnd)
    {
        uintptr_t newEnd =
            (reinterpret_cast<uintptr_t>(block->pos) + COMMIT_PAGE) & ~(COMMIT_PAGE - 1);
        if (newEnd > reinterpret_cast<uintptr_t>(block->end))
            newEnd = reinterpret_cast<uintptr_t>(block->end);
        size_t length = newEnd - reinterpret_cast<uintptr_t>(block->committedEnd);
        CommitOrFail(block->committedEnd, length);
        block->committedEnd += length;
    }
    return reinterpret_cast<void *>(p);
}

char *Hunk_UserCopyString(HunkUser *arena, const char *text)
{
    size_t length = strlen(text);
    char *copy = static_cast<char *>(Hunk_UserAlloc(arena, static_cast<int>(length + 1), 1));
    memcpy(copy, text, length + 1);
    return copy;
}

void Hunk_UserDestroy(HunkUser *arena)
{
    HunkUser *block = arena->next;
    while (block != nullptr)
    {
        HunkUser *following = block->next;
        Plat_Release(block, block->maxSize);
        block = following;
    }
    Plat_Release(arena, arena->maxSize);
}
