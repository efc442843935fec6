// The seven byte-order slots.
#include "engine/common/byte_order.h"

#include <cstring>

namespace
{
int16_t ShortSwap(int16_t v)
{
    uint16_t u = static_cast<uint16_t>(v);
    return static_cast<int16_t>(static_cast<uint16_t>((u >> 8) | (u << 8)));
}
int16_t ShortNoSwap(int16_t v)
{
    return v;
}
int32_t LongSwap(int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    u = (u >> 24) | ((u >> 8) & 0xff00u) | ((u << 8) & 0xff0000u) | (u << 24);
    return static_cast<int32_t>(u);
}
int32_t LongNoSwap(int32_t v)
{
    return v;
}
int64_t Long64Swap(int64_t v)
{
    uint64_t u = static_cast<uint64_t>(v);
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i)
        r = (r << 8) | ((u >> (8 * i)) & 0xff);
    return static_cast<int64_t>(r);
}
int64_t Long64NoSwap(int64_t v)
{
    return v;
}
uint32_t FloatBits(float f)
{
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
}
float FloatSwap(float f)
{
    uint32_t u = static_cast<uint32_t>(LongSwap(static_cast<int32_t>(FloatBits(f))));
    float r;
    memcpy(&r, &u, 4);
    return r;
}
float FloatNoSwap(float f)
{
    return f;
}
uint32_t FloatBitsSwap(float f)
{
    return static_cast<uint32_t>(LongSwap(static_cast<int32_t>(FloatBits(f))));
}
} // namespace

int16_t (*Swap_BigShort)(int16_t) = ShortSwap;
int16_t (*Swap_LittleShort)(int16_t) = ShortNoSwap;
int32_t (*Swap_BigLong)(int32_t) = LongSwap;
int32_t (*Swap_LittleLong)(int32_t) = LongNoSwap;
int64_t (*Swap_Little64)(int64_t) = Long64NoSwap;
float (*Swap_LittleFloat)(float) = FloatNoSwap;
uint32_t (*Swap_LittleFloatBits)(float) = FloatBits;

void Com_InitByteOrder()
{
    const uint16_t one = 1;
    unsigned char first;
    memcpy(&first, &one, 1);
    bool little = first == 1;
    Swap_BigShort = little ? ShortSwap : ShortNoSwap;
    Swap_LittleShort = little ? ShortNoSwap : ShortSwap;
    Swap_BigLong = little ? LongSwap : LongNoSwap;
    Swap_LittleLong = little ? LongNoSwap : LongSwap;
    Swap_Little64 = little ? Long64NoSwap : Long64Swap;
    Swap_LittleFloat = little ? FloatNoSwap : FloatSwap;
    Swap_LittleFloatBits = little ? FloatBits : FloatBitsSwap;
}
