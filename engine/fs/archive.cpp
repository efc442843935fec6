// Archives: loading the member table through minizip, member lookup, and member reads
// that inflate with zlib through the engine's allocation hooks.
#include "engine/fs/archive.h"

#include "engine/common/console.h"
#include "engine/common/format.h"
#include "engine/common/memory.h"
#include "engine/common/str.h"
#include "engine/fs/game_path.h"
#include "engine/fs/handle_slots.h"
#include "platform/files.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <unzip.h>
#include <zlib.h>

int32_t fs_archiveMemberTotal;

namespace
{
constexpr int ARCHIVE_NAME_SIZE = 256;
constexpr int MEMBER_INPUT_SIZE = 16384;
// A central-directory record takes at least this many bytes.
constexpr int64_t ZIP_CENTRAL_RECORD_MIN = 46;
// Deflate never expands one input byte to more than this many output bytes.
constexpr uint64_t DEFLATE_MAX_RATIO = 1032;

// The decompression state of one member open in a handle slot.
struct MemberReader
{
    bool deflated;
    bool finished;
    int failure; // the negative code that every later read returns, or 0
    uLong expectedCrc;
    uLong crc;
    uint64_t uncompressedLeft;
    z_stream stream;
    unsigned char input[MEMBER_INPUT_SIZE];
};

MemberReader *memberReaders[FS_MAX_HANDLES];

voidpf ZCALLBACK ZipOpen(voidpf, const void *path, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    return Plat_FOpen(static_cast<const char *>(path), "rb");
}

uLong ZCALLBACK ZipRead(voidpf, voidpf stream, void *buffer, uLong size)
{
    return static_cast<uLong>(fread(buffer, 1, size, static_cast<FILE *>(stream)));
}

uLong ZCALLBACK ZipWrite(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK ZipTell(voidpf, voidpf stream)
{
    long position = ftell(static_cast<FILE *>(stream));
    return position < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(position);
}

long ZCALLBACK ZipSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    int whence = origin == ZLIB_FILEFUNC_SEEK_CUR   ? SEEK_CUR
                 : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END
                                                    : SEEK_SET;
    if (offset > static_cast<ZPOS64_T>(LONG_MAX))
        return -1;
    return fseek(static_cast<FILE *>(stream), static_cast<long>(offset), whence) == 0 ? 0 : -1;
}

int ZCALLBACK ZipClose(voidpf, voidpf stream)
{
    return fclose(static_cast<FILE *>(stream));
}

int ZCALLBACK ZipError(voidpf, voidpf stream)
{
    return ferror(static_cast<FILE *>(stream));
}

// Every archive file is opened through the platform layer, never by minizip itself.
unzFile OpenZip(const char *osPath)
{
    zlib_filefunc64_def functions;
    functions.zopen64_file = ZipOpen;
    functions.zread_file = ZipRead;
    functions.zwrite_file = ZipWrite;
    functions.ztell64_file = ZipTell;
    functions.zseek64_file = ZipSeek;
    functions.zclose_file = ZipClose;
    functions.zerror_file = ZipError;
    functions.opaque = nullptr;
    return unzOpen2_64(osPath, &functions);
}

int64_t MeasureFile(const char *osPath)
{
    FILE *file = Plat_FOpen(osPath, "rb");
    if (file == nullptr)
        return -1;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    fclose(file);
    return size;
}

// Reads the current entry's information with its name cut to 255 characters.
bool CurrentEntryInfo(unzFile zip, unz_file_info64 *info, char *name)
{
    if (unzGetCurrentFileInfo64(zip, info, name, ARCHIVE_NAME_SIZE - 1, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    name[info->size_filename < ARCHIVE_NAME_SIZE - 1 ? info->size_filename
                                                     : ARCHIVE_NAME_SIZE - 1] = 0;
    return true;
}

// Makes the entry current on zip and opens its raw data. Returns the reader, or null
// when the member cannot be read.
MemberReader *OpenCurrentMember(unzFile zip, const Archive *archive, const ArchiveEntry *entry)
{
    if (unzSetOffset(zip, entry->position) != UNZ_OK)
        return nullptr;
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return nullptr;
    bool deflated = info.compression_method == Z_DEFLATED;
    if ((info.flag & 1) != 0 || (info.compression_method != 0 && !deflated))
        return nullptr;
    // One byte more is needed for the terminator that FS_ReadFile adds.
    if (info.uncompressed_size >= static_cast<ZPOS64_T>(INT32_MAX))
        return nullptr;
    if (!deflated && info.compressed_size != info.uncompressed_size)
        return nullptr;
    if (deflated && info.uncompressed_size / DEFLATE_MAX_RATIO > info.compressed_size)
        return nullptr;

    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK)
        return nullptr;
    ZPOS64_T dataStart = unzGetCurrentFileZStreamPos64(zip);
    ZPOS64_T fileSize = static_cast<ZPOS64_T>(archive->fileSize);
    if (dataStart > fileSize || info.compressed_size > fileSize - dataStart)
    {
        unzCloseCurrentFile(zip);
        return nullptr;
    }

    MemberReader *reader = static_cast<MemberReader *>(Z_Malloc(sizeof(MemberReader)));
    reader->deflated = deflated;
    reader->expectedCrc = info.crc;
    reader->crc = crc32(0L, Z_NULL, 0);
    reader->uncompressedLeft = info.uncompressed_size;
    if (deflated)
    {
        reader->stream.zalloc = Z_DecompressorAlloc;
        reader->stream.zfree = Z_DecompressorFree;
        reader->stream.opaque = Z_NULL;
        if (inflateInit2(&reader->stream, -MAX_WBITS) != Z_OK)
        {
            free(reader);
            unzCloseCurrentFile(zip);
            return nullptr;
        }
    }
    return reader;
}

// The end of the member's data: the checksum must match what was read.
void FinishMember(MemberReader *reader)
{
    reader->finished = true;
    if (reader->uncompressedLeft != 0)
        reader->failure = UNZ_BADZIPFILE;
    else if (reader->crc != reader->expectedCrc)
        reader->failure = UNZ_CRCERROR;
}

int ReadStored(unzFile zip, MemberReader *reader, unsigned char *out, int length)
{
    int produced = 0;
    while (!reader->finished && produced < length)
    {
        uint64_t want = static_cast<uint64_t>(length - produced);
        if (want > reader->uncompressedLeft)
            want = reader->uncompressedLeft;
        if (want == 0)
        {
            FinishMember(reader);
            break;
        }
        int got = unzReadCurrentFile(zip, out + produced, static_cast<unsigned>(want));
        if (got <= 0)
        {
            reader->failure = got < 0 ? got : UNZ_BADZIPFILE;
            break;
        }
        reader->crc = crc32(reader->crc, out + produced, static_cast<uInt>(got));
        reader->uncompressedLeft -= static_cast<uint64_t>(got);
        produced += got;
    }
    if (!reader->finished && reader->failure == 0 && reader->uncompressedLeft == 0)
        FinishMember(reader);
    return produced;
}

int ReadDeflated(unzFile zip, MemberReader *reader, unsigned char *out, int length)
{
    int produced = 0;
    z_stream &stream = reader->stream;
    while (!reader->finished && reader->failure == 0)
    {
        uint64_t want = static_cast<uint64_t>(length - produced);
        if (want > reader->uncompressedLeft)
            want = reader->uncompressedLeft;
        if (want == 0 && reader->uncompressedLeft != 0)
            break;
        // With all declared bytes produced, inflate on into a scratch byte until the
        // stream ends: any further output means the member is longer than declared.
        unsigned char scratch;
        if (stream.avail_in == 0)
        {
            int got = unzReadCurrentFile(zip, reader->input, MEMBER_INPUT_SIZE);
            if (got <= 0)
            {
                reader->failure = got < 0 ? got : UNZ_BADZIPFILE;
                break;
            }
            stream.next_in = reader->input;
            stream.avail_in = static_cast<uInt>(got);
        }
        uInt room = want != 0 ? static_cast<uInt>(want) : 1;
        stream.next_out = want != 0 ? out + produced : &scratch;
        stream.avail_out = room;
        int status = inflate(&stream, Z_NO_FLUSH);
        uInt got = room - stream.avail_out;
        if (want == 0 && got != 0)
        {
            reader->failure = UNZ_BADZIPFILE;
            break;
        }
        reader->crc = crc32(reader->crc, out + produced, got);
        reader->uncompressedLeft -= got;
        produced += static_cast<int>(got);
        if (status == Z_STREAM_END)
            FinishMember(reader);
        else if (status != Z_OK && status != Z_BUF_ERROR)
            reader->failure = status < 0 ? status : UNZ_BADZIPFILE;
    }
    return produced;
}
} // namespace

int FS_ArchiveNameHash(const char *name, int hashSize)
{
    uint32_t sum = 0;
    for (int i = 0; name[i] != 0; ++i)
    {
        int c = static_cast<signed char>(name[i]);
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c == '.')
            break;
        if (c == '\\')
            c = '/';
        sum += static_cast<uint32_t>(static_cast<int64_t>(c) * (i + 119));
    }
    int32_t h = static_cast<int32_t>(sum);
    return (h ^ (h >> 10) ^ (h >> 20)) & (hashSize - 1);
}

Archive *FS_LoadArchive(const char *baseName, const char *osPath)
{
    int64_t fileSize = MeasureFile(osPath);
    if (fileSize < 0)
        return nullptr;
    unzFile zip = OpenZip(osPath);
    if (zip == nullptr)
        return nullptr;
    unz_global_info64 global;
    // A count that the central directory could not hold, or whose member block would not
    // fit one allocation, is no archive of ours; the member block never grows unbounded.
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK ||
        global.number_entry > static_cast<ZPOS64_T>(fileSize / ZIP_CENTRAL_RECORD_MIN) ||
        global.number_entry > INT32_MAX / (sizeof(ArchiveEntry) + ARCHIVE_NAME_SIZE))
    {
        unzClose(zip);
        return nullptr;
    }
    int count = static_cast<int>(global.number_entry);
    fs_archiveMemberTotal += count;

    char name[ARCHIVE_NAME_SIZE];
    unz_file_info64 info;
    int nameTotal = 0;
    unzGoToFirstFile(zip);
    for (int i = 0; i < count; ++i)
    {
        if (!CurrentEntryInfo(zip, &info, name))
            break;
        nameTotal += static_cast<int>(strlen(name)) + 1;
        unzGoToNextFile(zip);
    }

    char *block =
        static_cast<char *>(Z_Malloc(nameTotal + count * static_cast<int>(sizeof(ArchiveEntry))));
    int hashSize = 1;
    while (hashSize <= count && hashSize <= ARCHIVE_MAX_HASH_SIZE / 2)
        hashSize <<= 1;

    Archive *archive = static_cast<Archive *>(
        Z_Malloc(static_cast<int>(sizeof(Archive) + hashSize * sizeof(ArchiveEntry *))));
    archive->hashTable = reinterpret_cast<ArchiveEntry **>(archive + 1);
    Str_Copy(archive->osPath, osPath, sizeof(archive->osPath));
    Str_Copy(archive->baseName, baseName, sizeof(archive->baseName));
    size_t baseLength = strlen(archive->baseName);
    if (baseLength > 4 && Str_CaseCompare(archive->baseName + baseLength - 4, ".vdz") == 0)
        archive->baseName[baseLength - 4] = 0;
    archive->handle = zip;
    archive->handleInUse = 0;
    archive->memberCount = count;
    archive->hashSize = hashSize;
    archive->fileSize = fileSize;
    archive->entries = reinterpret_cast<ArchiveEntry *>(block);

    char *names = block + count * sizeof(ArchiveEntry);
    int nameUsed = 0;
    unzGoToFirstFile(zip);
    for (int i = 0; i < count; ++i)
    {
        if (!CurrentEntryInfo(zip, &info, name))
            break;
        ZPOS64_T position = unzGetOffset64(zip);
        int length = static_cast<int>(strlen(name));
        if (position > UINT32_MAX || nameUsed + length + 1 > nameTotal)
            break;
        for (int c = 0; c < length; ++c)
            names[nameUsed + c] = Str_ToLowerAscii(name[c]);
        ArchiveEntry *entry = &archive->entries[i];
        entry->position = static_cast<uint32_t>(position);
        entry->name = names + nameUsed;
        nameUsed += length + 1;
        int chain = FS_ArchiveNameHash(entry->name, hashSize);
        entry->next = archive->hashTable[chain];
        archive->hashTable[chain] = entry;
        unzGoToNextFile(zip);
    }
    return archive;
}

void FS_FreeArchive(Archive *archive)
{
    unzClose(archive->handle);
    free(archive->entries);
    free(archive);
}

ArchiveEntry *FS_FindArchiveMember(const Archive *archive, const char *path)
{
    for (ArchiveEntry *entry = archive->hashTable[FS_ArchiveNameHash(path, archive->hashSize)];
         entry != nullptr; entry = entry->next)
        if (FS_SamePath(entry->name, path) == 0)
            return entry;
    return nullptr;
}

int32_t FS_OpenArchiveMember(int slot, Archive *archive, const ArchiveEntry *entry)
{
    unzFile zip = archive->handle;
    int32_t reopened = 0;
    if (archive->handleInUse)
    {
        // The second handle is a second library open of the same file; making the member
        // current by its stored position on it gives the same state as copying the own
        // handle, without reaching into the library's private record.
        zip = OpenZip(archive->osPath);
        if (zip == nullptr)
        {
            // The open fails and the slot stays free.
            Com_ReportError("Couldn't reopen %s", archive->osPath);
            return -1;
        }
        reopened = 1;
    }
    MemberReader *reader = OpenCurrentMember(zip, archive, entry);
    if (reader == nullptr)
    {
        if (reopened)
            unzClose(zip);
        return -1;
    }
    if (!reopened)
        archive->handleInUse = 1;
    FileHandleSlot &handle = fsHandles[slot];
    handle.file = zip;
    handle.reopened = reopened;
    handle.archive = archive;
    memberReaders[slot] = reader;
    return static_cast<int32_t>(reader->uncompressedLeft);
}

int FS_ReadArchiveMember(int slot, void *buffer, int length)
{
    MemberReader *reader = memberReaders[slot];
    if (reader == nullptr || length < 0)
        return UNZ_PARAMERROR;
    if (reader->failure != 0)
        return reader->failure;
    unsigned char *out = static_cast<unsigned char *>(buffer);
    int produced = reader->deflated ? ReadDeflated(fsHandles[slot].file, reader, out, length)
                                    : ReadStored(fsHandles[slot].file, reader, out, length);
    return reader->failure != 0 ? reader->failure : produced;
}

void FS_CloseArchiveMember(int slot)
{
    FileHandleSlot &handle = fsHandles[slot];
    MemberReader *reader = memberReaders[slot];
    if (reader != nullptr)
    {
        if (reader->deflated)
            inflateEnd(&reader->stream);
        free(reader);
        memberReaders[slot] = nullptr;
    }
    unzCloseCurrentFile(handle.file);
    if (handle.reopened)
        unzClose(handle.file);
    else
        handle.archive->handleInUse = 0;
}
