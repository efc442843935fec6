// The compression table of a platform: names for compression settings, the default first.
#pragma once

#include <cstdint>

struct CompressionTableEntry
{
    char name[64];
    int32_t setting;
};

constexpr int COMPRESSION_TABLE_MAX = 256;

struct CompressionTable
{
    CompressionTableEntry entries[COMPRESSION_TABLE_MAX];
    int count;
};
