// Zeroed blocks, the user hunk (packing, alignment, page commits, a second block) and
// the byte-order slots.
#include "engine/common/byte_order.h"
#include "engine/common/hunk_user.h"
#include "engine/common/memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

TEST(MemoryTest, ZMallocBlocksAreZeroedHunkAllocationsPackAlignAndGrow)
{
    for (int size : {17, 100000})
    {
        unsigned char *block = static_cast<unsigned char *>(Z_Malloc(size));
        for (int i = 0; i < size; ++i)
            ASSERT_EQ(0, block[i]);
        free(block);
    }
    char *copy = Z_CopyString("fs_basepath");
    EXPECT_STREQ("fs_basepath", copy);
    free(copy);

    HunkUser *arena = Hunk_UserCreate(0x20000, "Sys_ListFiles");
    uintptr_t start = reinterpret_cast<uintptr_t>(arena);
    EXPECT_EQ(start + 64, reinterpret_cast<uintptr_t>(arena->pos));
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(arena->committedEnd) % 4096);

    char *a = Hunk_UserCopyString(arena, "abc");
    char *b = Hunk_UserCopyString(arena, "de");
    EXPECT_EQ(a + 4, b); // 1-byte alignment packs strings back to back
    void *pointers = Hunk_UserAlloc(arena, 32772, 4);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(pointers) % 4);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b + 3 + 3) & ~uintptr_t(3),
              reinterpret_cast<uintptr_t>(pointers));
    memset(pointers, 0xab, 32772); // the pages are committed and writable

    // An allocation that ends exactly on a page boundary past the committed pages still
    // commits the page after it.
    int toBoundary = static_cast<int>(arena->committedEnd - arena->pos) + 4096;
    Hunk_UserAlloc(arena, toBoundary, 1);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(arena->pos) % 4096);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(arena->pos) + 4096,
              reinterpret_cast<uintptr_t>(arena->committedEnd));

    // Fill the first block; the next request opens a second one.
    while (arena->next == nullptr)
    {
        char *text = static_cast<char *>(Hunk_UserAlloc(arena, 3000, 1));
        memset(text, 'x', 3000);
    }
    EXPECT_EQ(arena->next, arena->current);
    EXPECT_NE(arena, arena->current);
    char *inSecond = Hunk_UserCopyString(arena, "second");
    EXPECT_GE(reinterpret_cast<uintptr_t>(inSecond), reinterpret_cast<uintptr_t>(arena->next));
    EXPECT_LT(reinterpret_cast<uintptr_t>(inSecond), reinterpret_cast<uintptr_t>(arena->next->end));
    EXPECT_STREQ("second", inSecond);
    Hunk_UserDestroy(arena);
}

TEST(ByteOrderTest, SlotsFollowTheHostOrder)
{
    Com_InitByteOrder();
    const uint16_t probe = 1;
    bool little = *reinterpret_cast<const unsigned char *>(&probe) == 1;
    int32_t value = 0x11223344;
    EXPECT_EQ(little ? value : 0x44332211, Swap_LittleLong(value));
    EXPECT_EQ(little ? 0x44332211 : value, Swap_BigLong(value));
    EXPECT_EQ(little ? int16_t(0x2211) : int16_t(0x1122), Swap_BigShort(int16_t(0x1122)));
    EXPECT_EQ(little ? int64_t(0x0102030405060708) : int64_t(0x0807060504030201),
              Swap_Little64(int64_t(0x0102030405060708)));
    EXPECT_EQ(little ? 0x3f800000u : 0x0000803fu, Swap_LittleFloatBits(1.0f));
    EXPECT_EQ(1.0f, Swap_LittleFloat(little ? 1.0f : Swap_LittleFloat(1.0f)));
}
