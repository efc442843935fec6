// Read-only file mapping.
#pragma once

#include <cstddef>

struct PlatMapping
{
    const unsigned char *data; // null for an empty file
    size_t size;
    void *handle;
};

// Opens an existing file for reading and maps it whole. False (and nothing held) when
// the file cannot be opened, sized or mapped. An empty file maps with size 0.
bool Plat_MapFile(const char *path, PlatMapping *mapping);

void Plat_UnmapFile(PlatMapping *mapping);
