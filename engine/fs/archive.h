// ".vdz" archives of the search path: the member table built at load time, member
// lookup by game path, and reading members through handle slots. The zip format is
// read by minizip; deflated members are inflated here with zlib so that the
// decompressor allocates through Z_DecompressorAlloc.
#pragma once

#include <cstdint>

struct ArchiveEntry
{
    uint32_t position;  // the library's position of the member, to make it current again
    char *name;         // lower-cased member name inside the member block
    ArchiveEntry *next; // next entry of the same hash chain
};

// One Z_Malloc block: the record directly followed by its hash table.
struct Archive
{
    char osPath[256];
    char baseName[256];
    char gameName[256];
    void *handle;        // the archive's own library handle (unzFile)
    int32_t handleInUse; // 1 while a handle slot reads through the own handle
    int32_t memberCount; // the archive's entry count
    int32_t hashSize;    // a power of two from 1 to 2048
    int64_t fileSize;    // bytes in the archive file; members never reach beyond it
    ArchiveEntry **hashTable;
    ArchiveEntry *entries; // the member block: entries, then the packed names
};

constexpr int ARCHIVE_MAX_HASH_SIZE = 2048;

// The sum of the entry counts of every archive loaded; reset by FS_Startup.
extern int32_t fs_archiveMemberTotal;

// Opens the archive at osPath and builds its member table. Returns null, printing
// nothing, when the library cannot open the file. An entry whose information cannot be
// read ends the scan; the entries before it stay usable.
Archive *FS_LoadArchive(const char *baseName, const char *osPath);

// Closes the archive's library handle (and an entry still open in it) and frees the
// member block and the record.
void FS_FreeArchive(Archive *archive);

// The hash chain of a game path: case and "\" against "/" do not matter, and the path
// counts only up to its first ".".
int FS_ArchiveNameHash(const char *name, int hashSize);

// The member whose name equals path under FS_SamePath, or null. Never reads the disk.
ArchiveEntry *FS_FindArchiveMember(const Archive *archive, const char *path);

// Opens entry for reading in handle slot `slot`: through the archive's own handle when
// it is free, else through a reopened handle owned by the slot. Returns the member's
// uncompressed size, or -1 (slot left free) when the member cannot be opened: a failed
// reopen ("Couldn't reopen %s"), an encrypted or unknown compression method, or sizes
// that the archive cannot hold.
int32_t FS_OpenArchiveMember(int slot, Archive *archive, const ArchiveEntry *entry);

// Reads up to length bytes of the member open in slot. Returns the count read (0 at the
// end), or a negative library code when the data is damaged (checksum, stream or size
// mismatch, or data cut short); after that the member only reports the failure.
int FS_ReadArchiveMember(int slot, void *buffer, int length);

// Closes the member open in slot; a reopened handle is closed, else the archive's own
// handle is given back.
void FS_CloseArchiveMember(int slot);
