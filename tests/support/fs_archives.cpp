// Archive writers, file system start-up and the verbose switch for tests.
#include "tests/support/fs_archives.h"

#include "engine/common/console.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/search_path.h"
#include "tests/support/riff_builder.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <cstdio>
#include <stdexcept>

namespace
{
const char PYTHON_WRITER[] = R"(import sys, zipfile
out, method = sys.argv[1], zipfile.ZIP_DEFLATED if sys.argv[2] == 'd' else zipfile.ZIP_STORED
with zipfile.ZipFile(out, 'w') as archive:
    for i in range(3, len(sys.argv), 2):
        info = zipfile.ZipInfo(sys.argv[i], date_time=(2020, 1, 1, 0, 0, 0))
        info.compress_type = method
        with open(sys.argv[i + 1], 'rb') as source:
            archive.writestr(info, source.read())
)";
bool testVerbose = false;
} // namespace

bool WriteZip(ZipWriter writer, const std::string &path, const std::vector<ZipMember> &members,
              bool deflate)
{
    // The writers run in a staging folder and see only relative names there, so that a
    // host program can write the archive for a test program of another system (under Wine).
    ScopedDir staging;
    std::string program;
    std::vector<std::string> args;
    std::string folder;
    if (writer == ZipWriter::InfoZip)
    {
        program = AURALITH_ZIP_PROGRAM;
        folder = staging / "members";
        MakeDirs(folder);
        args = {"-q", "-X", "-D", deflate ? "-9" : "-0", "../archive.zip"};
        for (const ZipMember &member : members)
        {
            WriteFile(folder + "/" + member.name, member.data);
            args.push_back(member.name);
        }
    }
    else
    {
        program = AURALITH_PYTHON_PROGRAM;
        folder = staging.path();
        WriteFile(staging / "writer.py", PYTHON_WRITER);
        args = {"writer.py", "archive.zip", deflate ? "d" : "s"};
        for (size_t i = 0; i < members.size(); ++i)
        {
            std::string source = "member" + std::to_string(i);
            WriteFile(staging / source, members[i].data);
            args.push_back(members[i].name);
            args.push_back(source);
        }
    }
    ProcessResult result = RunProcess(program, args, folder);
    if (result.status != 0 || !FileExists(staging / "archive.zip"))
    {
        fprintf(stderr, "%s failed (%d): %s", program.c_str(), result.status, result.err.c_str());
        return false;
    }
    WriteFile(path, ReadFile(staging / "archive.zip"));
    return true;
}

ZipLayout ReadZipLayout(const std::string &bytes)
{
    ZipLayout layout;
    size_t offset = 0;
    while (offset + 30 <= bytes.size() && ReadLittle(bytes, offset, 4) == 0x04034b50)
    {
        uint16_t flags = ReadLittle(bytes, offset + 6, 2);
        uint32_t compressed = ReadLittle(bytes, offset + 18, 4);
        size_t dataStart =
            offset + 30 + ReadLittle(bytes, offset + 26, 2) + ReadLittle(bytes, offset + 28, 2);
        layout.localHeaders.push_back(offset);
        layout.dataStarts.push_back(dataStart);
        offset = dataStart + compressed;
        // A data descriptor follows when the sizes were not known in advance.
        if ((flags & 8) != 0)
            offset += (ReadLittle(bytes, offset, 4) == 0x08074b50) ? 16 : 12;
    }
    while (offset + 46 <= bytes.size() && ReadLittle(bytes, offset, 4) == 0x02014b50)
    {
        layout.centralRecords.push_back(offset);
        offset += 46 + ReadLittle(bytes, offset + 28, 2) + ReadLittle(bytes, offset + 30, 2) +
                  ReadLittle(bytes, offset + 32, 2);
    }
    if (layout.localHeaders.size() != layout.centralRecords.size())
        throw std::runtime_error("cannot walk the archive's records");
    return layout;
}

void PatchU32(std::string *bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        (*bytes)[offset + i] = char((value >> (8 * i)) & 0xff);
}

void StartFileSystem(const std::string &root,
                     const std::vector<std::pair<std::string, std::string>> &extraSettings)
{
    std::string basePath = root + "/";
    Dvar_RegisterString("fs_basepath", basePath.c_str(), DVAR_EXTERNAL, "External Dvar");
    Dvar_RegisterString("fs_homepath", basePath.c_str(), DVAR_EXTERNAL, "External Dvar");
    for (const auto &setting : extraSettings)
    {
        Dvar *dvar = Dvar_FindVar(setting.first.c_str());
        if (dvar != nullptr)
            Dvar_SetFromString(dvar, setting.second.c_str());
        else
            Dvar_RegisterString(setting.first.c_str(), setting.second.c_str(), DVAR_EXTERNAL,
                                "External Dvar");
    }
    FS_Startup();
}

void StopFileSystem()
{
    FS_ShutdownFileSystem();
    Dvar_Shutdown();
}

void Test_SetVerbose(bool on)
{
    testVerbose = on;
    Com_BindOutputOptions(&testVerbose, nullptr);
}
