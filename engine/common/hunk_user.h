// HunkUser: a growable arena of equal blocks in reserved address space, committed page
// by page and released as a whole. File listings live in one arena each.
#pragma once

#include <cstddef>
#include <cstdint>

struct HunkUser
{
    HunkUser *current;  // newest block; allocation happens there
    HunkUser *next;     // block created after this one
    uint32_t maxSize;   // address space reserved for every block
    char *end;          // block start + maxSize
    char *pos;          // allocation cursor
    char *committedEnd; // end of the committed pages, on a page boundary
    const char *name;   // the creator's name
};

HunkUser *Hunk_UserCreate(int maxSize, const char *name);
void *Hunk_UserAlloc(HunkUser *arena, int size, int alignment);
char *Hunk_UserCopyString(HunkUser *arena, const char *text);
void Hunk_UserDestroy(HunkUser *arena);
