// Archives written by two independent zip writers, members stored and deflated: the name
// hash, member tables, lookups, member reads through one and two handles, and damaged
// archives.
#include "engine/fs/archive.h"

#include "engine/fs/file_access.h"
#include "tests/support/fs_archives.h"
#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>

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

// Reads the rest of a member through handle slot `slot` in pieces of `piece` bytes;
// *lastResult is what the last read returned.
std::string ReadMember(int slot, int piece, int *lastResult)
{
    std::string result;
    std::string buffer(size_t(piece), '\0');
    while ((*lastResult = FS_ReadArchiveMember(slot, &buffer[0], piece)) > 0)
        result.append(buffer, 0, size_t(*lastResult));
    return result;
}

void CloseSlot(int slot)
{
    FS_CloseArchiveMember(slot);
    memset(&fsHandles[slot], 0, sizeof(fsHandles[slot]));
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

// Archives loaded by Load are freed, and handles left open closed, when a test ends.
class ArchiveTest : public testing::Test
{
  protected:
    Archive *Load(ZipWriter writer, bool deflate, const std::vector<ZipMember> &members,
                  const std::string &name = "PATCH.VDZ")
    {
        EXPECT_TRUE(WriteZip(writer, dir / name, members, deflate));
        return Load(name);
    }

    Archive *Load(const std::string &name)
    {
        Archive *archive = FS_LoadArchive(name.c_str(), (dir / name).c_str());
        if (archive != nullptr)
            loaded.push_back(archive);
        return archive;
    }

    void TearDown() override
    {
        for (int slot = 1; slot < FS_MAX_HANDLES; ++slot)
            if (fsHandles[slot].file != nullptr)
                CloseSlot(slot);
        for (Archive *archive : loaded)
            FS_FreeArchive(archive);
    }

    ScopedDir dir;
    std::vector<Archive *> loaded;
};
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

class ArchiveWriters : public ArchiveTest,
                       public testing::WithParamInterface<std::tuple<ZipWriter, bool>>
{
  protected:
    Archive *Load()
    {
        return ArchiveTest::Load(std::get<0>(GetParam()), std::get<1>(GetParam()), members);
    }

    const std::string big = Pattern(200000, 7);
    const std::vector<ZipMember> members = {
        {"Sound/Weapons.CSV", "name,file\nshot,weapons/shot.wav\n"},
        {"soundaliases/ambient.csv", big},
        {"soundaliases/empty.csv", ""},
        {"readme.txt", "hello"},
        {"soundaliases/sub/deep.csv", "deep"},
    };
};

TEST_P(ArchiveWriters, ReadsTheMemberTableAndEveryMemberAlsoTwoAtOnce)
{
    Archive *archive = Load();
    ASSERT_NE(archive, nullptr);
    EXPECT_STREQ(archive->baseName, "PATCH");
    ASSERT_EQ(archive->memberCount, 5);
    // Central-directory order, lower-cased; lookups ignore case and the slash direction.
    const char *names[] = {"sound/weapons.csv", "soundaliases/ambient.csv",
                           "soundaliases/empty.csv", "readme.txt", "soundaliases/sub/deep.csv"};
    int last = 0;
    for (int i = 0; i < 5; ++i)
    {
        const ZipMember &member = members[size_t(i)];
        SCOPED_TRACE(member.name);
        EXPECT_STREQ(archive->entries[i].name, names[i]);
        std::string lookup = member.name;
        for (char &c : lookup)
            c = c == '/' ? '\\' : c;
        EXPECT_EQ(FS_FindArchiveMember(archive, lookup.c_str()), &archive->entries[i]);
        ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[i]),
                  int32_t(member.data.size()));
        EXPECT_EQ(ReadMember(1, 4096, &last), member.data);
        EXPECT_EQ(last, 0);
        CloseSlot(1);
    }
    EXPECT_EQ(FS_FindArchiveMember(archive, "sound/weapons.cs"), nullptr);
    EXPECT_EQ(FS_FindArchiveMember(archive, "soundaliases"), nullptr);

    // Two members at once. Which handle each slot reads through, and that closing gives the
    // archive's own back, is the fuzz target's (fuzz/fuzz_archive.cpp); here interleaved reads do
    // not disturb each other, and the next member reads after a close.
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[1]), int32_t(big.size()));
    ASSERT_EQ(FS_OpenArchiveMember(2, archive, &archive->entries[0]),
              int32_t(members[0].data.size()));
    std::string first(1000, '\0');
    ASSERT_EQ(FS_ReadArchiveMember(1, &first[0], 1000), 1000);
    EXPECT_EQ(ReadMember(2, 7, &last), members[0].data);
    first.append(ReadMember(1, 333, &last));
    EXPECT_EQ(last, 0);
    EXPECT_EQ(first, big);

    CloseSlot(1);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[3]), 5);
    EXPECT_EQ(ReadMember(1, 100, &last), "hello");
}

INSTANTIATE_TEST_SUITE_P(
    Archive, ArchiveWriters,
    testing::Combine(testing::Values(ZipWriter::InfoZip, ZipWriter::Python), testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<ZipWriter, bool>> &info)
    {
        return std::string(std::get<0>(info.param) == ZipWriter::InfoZip ? "InfoZip" : "Python") +
               (std::get<1>(info.param) ? "Deflated" : "Stored");
    });

TEST_F(ArchiveTest, BaseNamesAThousandMembersAndNamesDifferingInCase)
{
    Archive *single = Load(ZipWriter::InfoZip, false, {{"x", "y"}}, ".vdz");
    ASSERT_NE(single, nullptr);
    EXPECT_STREQ(single->baseName, ".vdz");

    std::vector<ZipMember> many;
    for (int i = 0; i < 1024; ++i)
        many.push_back({"f/" + std::to_string(i) + ".csv", ""});
    Archive *large = Load(ZipWriter::Python, false, many, "many.Vdz");
    ASSERT_NE(large, nullptr);
    EXPECT_STREQ(large->baseName, "many");
    EXPECT_EQ(FS_FindArchiveMember(large, "F/1023.CSV"), &large->entries[1023]);
    // Among names that differ in case only, the later member wins.
    Archive *twice = Load(ZipWriter::Python, true, {{"x/A.csv", "first"}, {"X\\a.CSV", "second"}});
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(FS_FindArchiveMember(twice, "x/a.csv"), &twice->entries[1]);
}

// Archives cut short are refused end to end (hostile_kit_test) and by the fuzz target.
TEST_F(ArchiveTest, BadFilesAreSkippedAndADamagedEntryEndsTheScan)
{
    WriteFile(dir / "text.vdz", "this is not a zip archive at all, just some text\n");
    WriteFile(dir / "empty.vdz", "");
    WriteFile(dir / "bare.vdz", "PK\x05\x06" + std::string(18, '\0')); // an end record alone
    for (const char *name : {"text.vdz", "empty.vdz", "bare.vdz", "missing.vdz"})
        EXPECT_EQ(FS_LoadArchive(name, (dir / name).c_str()), nullptr) << name;

    // A damaged entry ends the scan.
    ASSERT_TRUE(WriteZip(ZipWriter::Python, dir / "a.vdz",
                         {{"one.csv", "1"}, {"two.csv", "2"}, {"three.csv", "3"}}, false));
    std::string bytes = ReadFile(dir / "a.vdz");
    PatchU32(&bytes, ReadZipLayout(bytes).centralRecords[1], 0x12345678);
    WriteFile(dir / "a.vdz", bytes);

    Archive *archive = Load("a.vdz");
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->memberCount, 3);
    EXPECT_STREQ(archive->entries[0].name, "one.csv");
    EXPECT_EQ(archive->entries[1].name, nullptr);
    EXPECT_EQ(archive->entries[2].name, nullptr);
    EXPECT_EQ(FS_FindArchiveMember(archive, "two.csv"), nullptr);
    ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), 1);
    int last = 0;
    EXPECT_EQ(ReadMember(1, 10, &last), "1");
}

// That a refused open leaves the slot and the archive's handle free and a failed read
// keeps failing is the fuzz target's.
TEST_F(ArchiveTest, DamagedMembersAreRefusedAtOpenOrFailTheRead)
{
    const std::string data = Pattern(50000, 3);
    struct Case
    {
        const char *what;
        size_t flip;         // offset of a data byte to damage, or 0
        uint32_t compressed; // the sizes to claim, 0 for the written ones
        uint32_t uncompressed;
        int32_t opened; // what the open returns
    };
    for (bool deflate : {false, true})
    {
        const Case cases[] = {
            {"damaged data", 200, 0, 0, 50000},
            {"huge claimed size", 0, 0, 0x7ffffff0, -1},
            {"data beyond the file", 0, 0x70000000, 0x70000000, -1},
            // A stored member keeps both sizes equal, so both are cut for it.
            {"smaller claimed size", 0, deflate ? 0u : 40000u, 40000, 40000},
        };
        for (const Case &damage : cases)
        {
            SCOPED_TRACE(std::string(damage.what) + (deflate ? ", deflated" : ", stored"));
            ASSERT_TRUE(WriteZip(ZipWriter::InfoZip, dir / "d.vdz", {{"d.csv", data}}, deflate));
            std::string bytes = ReadFile(dir / "d.vdz");
            ZipLayout layout = ReadZipLayout(bytes);
            if (damage.flip != 0)
                bytes[layout.dataStarts[0] + damage.flip] ^= 0x55;
            if (damage.uncompressed != 0)
                PatchSizes(&bytes, layout, damage.compressed, damage.uncompressed);
            WriteFile(dir / "d.vdz", bytes);
            Archive *archive = Load("d.vdz");
            ASSERT_NE(archive, nullptr);
            ASSERT_EQ(FS_OpenArchiveMember(1, archive, &archive->entries[0]), damage.opened);
            if (damage.opened < 0)
                continue;
            int last = 0;
            EXPECT_LT(ReadMember(1, 4096, &last).size(), data.size());
            EXPECT_LT(last, 0);
            CloseSlot(1);
        }
    }
}
