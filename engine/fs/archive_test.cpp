// Archives written by two independent zip writers: member tables, lookups, member reads
// through one and two handles, and damaged archives.
#include "engine/fs/archive.h"

#include "engine/fs/file_access.h"
#include "tests/support/fs_archives.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

namespace
{
std::string Pattern(size_t size, unsigned seed)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
    {
        seed = seed * 1103515245u + 12345u;
        // Text-like bytes, so that deflate really compresses.
        data[i] = char('a' + (seed >> 16) % 7);
    }
    return data;
}

// Reads a whole member through handle slot `slot` in pieces of `piece` bytes.
std::string ReadMember(int slot, int piece, int *lastResult)
{
    std::string result;
    std::string buffer(size_t(piece), '\0');
    for (;;)
    {
        int got = FS_ReadArchiveMember(slot, &buffer[0], piece);
        *lastResult = got;
        if (got <= 0)
            return result;
        result.append(buffer, 0, size_t(got));
    }
}

void CloseSlot(int slot)
{
    FS_CloseArchiveMember(slot);
    memset(&fsHandles[slot], 0, sizeof(fsHandles[slot]));
}

std::string Slurp(const std::string &path)
{
    return ReadFile(path);
}

// Sets the sizes of the first member in its local header and its central record alike;
// a compressed size of 0 is left as it is.
void PatchSizes(std::string *bytes, const ZipLayout &layout, uint32_t compressed,
                uint32_t uncompressed)
{
    for (size_t offset : {layout.localHeaders[0] + 18, layout.centralRecords[0] + 20})
    {
        if (compressed != 0)
            PatchU32(bytes, offset, compressed);
        PatchU32(bytes, offset + 4, uncompressed);
    }
}
} // namespace

TEST(ArchiveNameHash, WorkedValues)
{
    EXPECT_EQ(FS_ArchiveNameHash("abc", 1024), 496);
    EXPECT_EQ(FS_ArchiveNameHash("soundaliases/weapons.csv", 1024), 537);
    EXPECT_EQ(FS_ArchiveNameHash("soundaliases/weapons.csv", 2048), 1561);
    EXPECT_EQ(FS_ArchiveNameHash("SOUNDALIASES\\Weapons.CSV", 1024), 537);
    EXPECT_EQ(FS_ArchiveNameHash("SOUNDALIASES\\Weapons.CSV", 2048), 1561);
    EXPECT_EQ(FS_ArchiveNameHash("soundaliases/weapons.csv", 1), 0);
    // Only the part before the first dot counts.
    EXPECT_EQ(FS_ArchiveNameHash("soundaliases/weapons.txt", 2048), 1561);
}

class ArchiveWriters : public ::testing::TestWithParam<std::tuple<ZipWriter, bool>>
{
  protected:
    ZipWriter writer() const { return std::get<0>(GetParam()); }
    bool deflate() const { return std::get<1>(GetParam()); }

    Archive *Load(const std::vector<ZipMember> &members, const std::string &name = "PATCH.VDZ")
    {
        std::string path = dir / name;
        EXPECT_TRUE(WriteZip(writer(), path, members, deflate()));
        Archive *archive = FS_LoadArchive(name.c_str(), path.c_str());
        EXPECT_NE(archive, nullptr);
        return archive;
    }

    void TearDown() override
    {
        for (int slot = 1; slot < FS_MAX_HANDLES; ++slot)
            if (fsHandles[slot].file != nullptr)
                CloseSlot(slot);
        if (archive != nullptr)
            FS_FreeArchive(archive);
    }

    ScopedDir dir;
    Archive *archive = nullptr;
    const std::string big = Pattern(200000, 7);
    const std::vector<ZipMember> members = {
        {"Sound/Weapons.CSV", "name,file\nshot,weapons/shot.wav\n"},
        {"soundaliases/ambient.csv", big},
        {"soundaliases/empty.csv", ""},
        {"readme.txt", "hello"},
        {"soundaliases/sub/deep.csv", "deep"},
    };
};

TEST_P(ArchiveWriters, BuildsTheMemberTable)
{
    archive = Load(members);
    ASSERT_NE(archive, nullptr);
    EXPECT_STREQ(archive->baseName, "PATCH");
    EXPECT_EQ(archive->memberCount, 5);
    EXPECT_EQ(archive->hashSize, 8);
    EXPECT_EQ(archive->handleInUse, 0);
    // Central-directory order, lower-cased.
    EXPECT_STREQ(archive->entries[0].name, "sound/weapons.csv");
    EXPECT_STREQ(archive->entries[1].name, "soundaliases/ambient.csv");
    EXPECT_STREQ(archive->entries[4].name, "soundaliases/sub/deep.csv");

    EXPECT_EQ(FS_FindArchiveMember(archive, "sound/weapons.csv"), &archive->entries[0]);
    EXPECT_EQ(FS_FindArchiveMember(archive, "SOUND\\weapons.csv"), &archive->entries[0]);
    EXPECT_EQ(FS_FindArchiveMember(archive, "sound/weapons.cs"), nullptr);
    EXPECT_EQ(FS_FindArchiveMember(archive, "soundaliases"), nullptr);
}

TEST_P(ArchiveWriters, ReadsMembersWhole)
{
    archive = Load(members);
    ASSERT_NE(archive, nullptr);
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(members[size_t(i)].name);
        ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[i]),
                  int32_t(members[size_t(i)].data.size()));
        EXPECT_EQ(fsHandles[1].reopened, 0);
        EXPECT_EQ(archive->handleInUse, 1);
        int last = 0;
        EXPECT_EQ(ReadMember(1, 4096, &last), members[size_t(i)].data);
        EXPECT_EQ(last, 0);
        CloseSlot(1);
        EXPECT_EQ(archive->handleInUse, 0);
    }
}

TEST_P(ArchiveWriters, TwoMembersOpenAtOnce)
{
    archive = Load(members);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[1]), int32_t(big.size()));
    ASSERT_EQ(FS_OpenArchiveMember(2, archive, &archive->entries[0]),
              int32_t(members[0].data.size()));
    EXPECT_EQ(fsHandles[1].file, archive->handle);
    EXPECT_EQ(fsHandles[1].reopened, 0);
    EXPECT_NE(fsHandles[2].file, archive->handle);
    EXPECT_EQ(fsHandles[2].reopened, 1);

    // Interleaved reads do not disturb each other.
    std::string first(1000, '\0');
    ASSERT_EQ(FS_ReadArchiveMember(1, &first[0], 1000), 1000);
    int last = 0;
    EXPECT_EQ(ReadMember(2, 7, &last), members[0].data);
    EXPECT_EQ(last, 0);
    first.append(ReadMember(1, 333, &last));
    EXPECT_EQ(last, 0);
    EXPECT_EQ(first, big);

    CloseSlot(1);
    EXPECT_EQ(archive->handleInUse, 0);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[3]), 5);
    EXPECT_EQ(fsHandles[1].reopened, 0);
    EXPECT_EQ(fsHandles[1].file, archive->handle);
    EXPECT_EQ(ReadMember(1, 100, &last), "hello");
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveWriters,
    ::testing::Combine(::testing::Values(ZipWriter::InfoZip, ZipWriter::Python), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<ZipWriter, bool>> &info)
    {
        return std::string(ZipWriterName(std::get<0>(info.param))) +
               (std::get<1>(info.param) ? "Deflated" : "Stored");
    });

TEST(ArchiveLoad, NamesAndHashSizes)
{
    ScopedDir dir;
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, dir / ".vdz", {{"x", "y"}}, false));
    Archive *single = FS_LoadArchive(".vdz", (dir / ".vdz").c_str());
    ASSERT_NE(single, nullptr);
    EXPECT_STREQ(single->baseName, ".vdz");
    EXPECT_EQ(single->memberCount, 1);
    EXPECT_EQ(single->hashSize, 2);
    FS_FreeArchive(single);

    std::vector<ZipMember> many;
    for (int i = 0; i < 1024; ++i)
        many.push_back({"f/" + std::to_string(i) + ".csv", ""});
    ASSERT_TRUE(WriteZip(ZipWriter::Python, dir / "many.Vdz", many, false));
    Archive *large = FS_LoadArchive("many.Vdz", (dir / "many.Vdz").c_str());
    ASSERT_NE(large, nullptr);
    EXPECT_STREQ(large->baseName, "many");
    EXPECT_EQ(large->hashSize, 2048);
    EXPECT_EQ(FS_FindArchiveMember(large, "F/1023.CSV"), &large->entries[1023]);
    FS_FreeArchive(large);
}

TEST(ArchiveLoad, LaterMemberWinsAmongNamesDifferingInCase)
{
    ScopedDir dir;
    ASSERT_TRUE(WriteZip(ZipWriter::Python, dir / "a.vdz",
                         {{"x/A.csv", "first"}, {"X\\a.CSV", "second"}}, true));
    Archive *archive = FS_LoadArchive("a.vdz", (dir / "a.vdz").c_str());
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(FS_FindArchiveMember(archive, "x/a.csv"), &archive->entries[1]);
    FS_FreeArchive(archive);
}

TEST(ArchiveLoad, BadFilesAreSkipped)
{
    ScopedDir dir;
    WriteFile(dir / "text.vdz", "this is not a zip archive at all, just some text\n");
    EXPECT_EQ(FS_LoadArchive("text.vdz", (dir / "text.vdz").c_str()), nullptr);
    EXPECT_EQ(FS_LoadArchive("missing.vdz", (dir / "missing.vdz").c_str()), nullptr);

    // Cut at many places: the archive is refused, or what it offers reads correctly or
    // fails; nothing else.
    std::string data = Pattern(5000, 1);
    ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, dir / "whole.vdz", {{"a.csv", data}}, true));
    std::string bytes = Slurp(dir / "whole.vdz");
    int refused = 0;
    for (size_t length = 0; length < bytes.size(); length += 97)
    {
        SCOPED_TRACE(length);
        WriteFile(dir / "cut.vdz", bytes.substr(0, length));
        Archive *archive = FS_LoadArchive("cut.vdz", (dir / "cut.vdz").c_str());
        if (archive == nullptr)
        {
            ++refused;
            continue;
        }
        ArchiveEntry *entry = FS_FindArchiveMember(archive, "a.csv");
        if (entry != nullptr && FS_OpenArchiveMember(1, archive, entry) >= 0)
        {
            int last = 0;
            std::string got = ReadMember(1, 1000, &last);
            EXPECT_TRUE(last < 0 || got == data);
            CloseSlot(1);
        }
        FS_FreeArchive(archive);
    }
    EXPECT_GT(refused, 0);
}

TEST(ArchiveLoad, DamagedEntryEndsTheScan)
{
    ScopedDir dir;
    ASSERT_TRUE(WriteZip(ZipWriter::Python, dir / "a.vdz",
                         {{"one.csv", "1"}, {"two.csv", "2"}, {"three.csv", "3"}}, false));
    std::string bytes = Slurp(dir / "a.vdz");
    ZipLayout layout = ReadZipLayout(bytes);
    PatchU32(&bytes, layout.centralRecords[1], 0x12345678);
    WriteFile(dir / "a.vdz", bytes);

    Archive *archive = FS_LoadArchive("a.vdz", (dir / "a.vdz").c_str());
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->memberCount, 3);
    EXPECT_STREQ(archive->entries[0].name, "one.csv");
    EXPECT_EQ(archive->entries[1].name, nullptr);
    EXPECT_EQ(archive->entries[2].name, nullptr);
    EXPECT_EQ(FS_FindArchiveMember(archive, "two.csv"), nullptr);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), 1);
    int last = 0;
    EXPECT_EQ(ReadMember(1, 10, &last), "1");
    CloseSlot(1);
    FS_FreeArchive(archive);
}

class ArchiveDamage : public ::testing::TestWithParam<bool>
{
  protected:
    // Writes a one-member archive, lets patch change its bytes, and loads it.
    Archive *LoadPatched(void (*patch)(std::string *bytes, const ZipLayout &layout))
    {
        EXPECT_TRUE(WriteZip(ZipWriter::InfoZip, dir / "d.vdz", {{"d.csv", data}}, GetParam()));
        std::string bytes = Slurp(dir / "d.vdz");
        patch(&bytes, ReadZipLayout(bytes));
        WriteFile(dir / "d.vdz", bytes);
        archive = FS_LoadArchive("d.vdz", (dir / "d.vdz").c_str());
        return archive;
    }

    void TearDown() override
    {
        if (fsHandles[1].file != nullptr)
            CloseSlot(1);
        if (archive != nullptr)
            FS_FreeArchive(archive);
    }

    ScopedDir dir;
    Archive *archive = nullptr;
    const std::string data = Pattern(50000, 3);
};

TEST_P(ArchiveDamage, DamagedDataFailsTheRead)
{
    ASSERT_NE(LoadPatched([](std::string *bytes, const ZipLayout &layout)
                          { (*bytes)[layout.dataStarts[0] + 200] ^= 0x55; }),
              nullptr);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), int32_t(data.size()));
    int last = 0;
    std::string got = ReadMember(1, 4096, &last);
    EXPECT_LT(last, 0);
    EXPECT_LT(got.size(), data.size());
    // The failure sticks.
    char byte;
    EXPECT_LT(FS_ReadArchiveMember(1, &byte, 1), 0);
}

TEST_P(ArchiveDamage, HugeClaimedSizeIsRefusedAtOpen)
{
    ASSERT_NE(LoadPatched([](std::string *bytes, const ZipLayout &layout)
                          { PatchSizes(bytes, layout, 0, 0x7ffffff0); }),
              nullptr);
    EXPECT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), -1);
    EXPECT_EQ(fsHandles[1].file, nullptr);
    EXPECT_EQ(archive->handleInUse, 0);
}

TEST_P(ArchiveDamage, DataBeyondTheFileIsRefusedAtOpen)
{
    ASSERT_NE(LoadPatched([](std::string *bytes, const ZipLayout &layout)
                          { PatchSizes(bytes, layout, 0x70000000, 0x70000000); }),
              nullptr);
    EXPECT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), -1);
    EXPECT_EQ(fsHandles[1].file, nullptr);
}

TEST_P(ArchiveDamage, SmallerClaimedSizeFailsAtTheEnd)
{
    // Stored members keep both sizes equal, so both are cut for them.
    if (GetParam())
        ASSERT_NE(LoadPatched([](std::string *bytes, const ZipLayout &layout)
                              { PatchSizes(bytes, layout, 0, 40000); }),
                  nullptr);
    else
        ASSERT_NE(LoadPatched([](std::string *bytes, const ZipLayout &layout)
                              { PatchSizes(bytes, layout, 40000, 40000); }),
                  nullptr);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), 40000);
    int last = 0;
    ReadMember(1, 4096, &last);
    EXPECT_LT(last, 0);
}

INSTANTIATE_TEST_SUITE_P(Archive, ArchiveDamage, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info)
                         { return std::string(info.param ? "Deflated" : "Stored"); });
