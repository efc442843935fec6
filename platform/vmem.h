// Address space: reserve, commit and release.
#pragma once

#include <cstddef>

// Reserves size bytes of address space, committing nothing. Null on failure.
void *Plat_Reserve(size_t size);

// Commits (makes readable and writable, zero-filled) pages in [address, address + size)
// of a reserved region. False on failure.
bool Plat_Commit(void *address, size_t size);

// Releases a whole region returned by Plat_Reserve.
void Plat_Release(void *address, size_t size);

size_t Plat_PageSize();
