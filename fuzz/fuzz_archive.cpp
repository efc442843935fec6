// A ".vdz" archive from any bytes: the input is written to a scratch file and loaded with
// FS_LoadArchive; every member is looked up by its name and read whole through handle
// slot 1 (the archive's own handle) while the next member is read through slot 2 (a
// reopened handle), in small interleaved pieces; then the archive is freed. Reads never
// give more than the member's size, and every slot is given back.
#include "engine/fs/archive.h"
#include "engine/fs/file_access.h"
#include "fuzz/fuzz_support.h"

#include <cstring>
#include <string>

namespace
{
// Deflate expands about a thousandfold, and many members may share one stream: the
// bytes read per input are bounded so that one input stays fast.
constexpr int64_t READ_BUDGET = 8 << 20;
constexpr int PIECE = 4096;
std::string archivePath;

struct OpenMember
{
    int slot;
    int32_t size;
    int64_t read;
    bool done;
};

bool Open(Archive *archive, int index, int slot, OpenMember *member)
{
    const ArchiveEntry &entry = archive->entries[index];
    if (entry.name == nullptr)
        return false;
    member->slot = slot;
    member->size = FS_OpenArchiveMember(slot, archive, &entry);
    member->read = 0;
    member->done = member->size < 0;
    if (member->size < 0)
    {
        FUZZ_CHECK(fsHandles[slot].file == nullptr);
        return false;
    }
    FUZZ_CHECK(fsHandles[slot].file != nullptr && fsHandles[slot].archive == archive);
    return true;
}

void ReadPiece(OpenMember *member, int64_t *budget)
{
    if (member->done)
        return;
    static char buffer[PIECE];
    int got = FS_ReadArchiveMember(member->slot, buffer, PIECE);
    if (got <= 0)
    {
        member->done = true;
        // A failure sticks: the member keeps reporting it.
        if (got < 0)
            FUZZ_CHECK(FS_ReadArchiveMember(member->slot, buffer, PIECE) == got);
        return;
    }
    FUZZ_CHECK(got <= PIECE);
    member->read += got;
    FUZZ_CHECK(member->read <= member->size);
    *budget -= got;
    if (*budget <= 0)
        member->done = true;
}

void Close(Archive *archive, OpenMember *member)
{
    bool ownHandle = fsHandles[member->slot].reopened == 0;
    FS_CloseArchiveMember(member->slot);
    memset(&fsHandles[member->slot], 0, sizeof(fsHandles[member->slot]));
    if (ownHandle)
        FUZZ_CHECK(archive->handleInUse == 0);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz_QuietOutput();
    archivePath = Fuzz_ScratchDir() + "/fuzz.vdz";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz_WriteInput(archivePath, data, size);
    fs_archiveMemberTotal = 0;
    Archive *archive = FS_LoadArchive("fuzz.vdz", archivePath.c_str());
    if (archive == nullptr)
        return 0;
    FUZZ_CHECK(strcmp(archive->baseName, "fuzz") == 0);
    FUZZ_CHECK(archive->memberCount >= 0 && archive->handleInUse == 0);
    FUZZ_CHECK(archive->hashSize >= 1 && archive->hashSize <= ARCHIVE_MAX_HASH_SIZE &&
               (archive->hashSize & (archive->hashSize - 1)) == 0);

    for (int i = 0; i < archive->memberCount; ++i)
    {
        const ArchiveEntry &entry = archive->entries[i];
        if (entry.name == nullptr)
            continue;
        FUZZ_CHECK(strlen(entry.name) < 256);
        const ArchiveEntry *found = FS_FindArchiveMember(archive, entry.name);
        FUZZ_CHECK(found != nullptr && FS_SamePath(found->name, entry.name) == 0);
    }

    int64_t budget = READ_BUDGET;
    for (int i = 0; i < archive->memberCount && budget > 0; ++i)
    {
        OpenMember first;
        if (!Open(archive, i, 1, &first))
            continue;
        FUZZ_CHECK(fsHandles[1].reopened == 0 && archive->handleInUse == 1);
        OpenMember second;
        bool twoOpen = i + 1 < archive->memberCount && Open(archive, i + 1, 2, &second);
        if (twoOpen)
            FUZZ_CHECK(fsHandles[2].reopened == 1);
        while (!first.done || (twoOpen && !second.done))
        {
            ReadPiece(&first, &budget);
            if (twoOpen)
                ReadPiece(&second, &budget);
        }
        if (twoOpen)
            Close(archive, &second);
        Close(archive, &first);
    }
    FS_FreeArchive(archive);
    return 0;
}
