// Byte-order conversion slots, filled once at start-up for the host's byte order.
#pragma once

#include <cstdint>

extern int16_t (*Swap_BigShort)(int16_t);
extern int16_t (*Swap_LittleShort)(int16_t);
extern int32_t (*Swap_BigLong)(int32_t);
extern int32_t (*Swap_LittleLong)(int32_t);
extern int64_t (*Swap_Little64)(int64_t);
extern float (*Swap_LittleFloat)(float);
extern uint32_t (*Swap_LittleFloatBits)(float);

void Com_InitByteOrder();

// Little-endian reads and writes of unaligned bytes, independent of the host.
inline uint16_t Com_ReadU16(const unsigned char *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Com_ReadU32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void Com_WriteU16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Com_WriteU32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
