// Temporary kits for end-to-end runs.
#include "tests/support/test_kit.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TestKit::TestKit(bool fakeEncoders, ScopedDir::Reach reach)
    : reach_(reach), dir_(reach), program_(AURALITH_BINARY)
{
    root_ = dir_ / "kit";
    MakeDirs(root_ + "/bin");
    MakeDirs(root_ + "/sound_assets/raw/sound");
    // Copies, not links: Windows starts only real program files.
    if (fakeEncoders)
        for (const char *name : {"sox.exe", "WMAEncode.exe", "AdpcmEncode.exe"})
            fs::copy_file(AURALITH_FAKE_ENCODER, root_ + "/bin/" + name);
}

std::vector<std::string> TestKit::TakeEncoderLog()
{
    std::vector<std::string> lines;
    std::string log = ReadTextOutput(bin() + "/fake_encoder.log");
    // The POSIX backend hands paths over with "/"; Windows keeps the tool's "\". The
    // launches read the same on both.
    if (!HostIsPosix())
        for (char &c : log)
            if (c == '\\')
                c = '/';
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    fs::remove(bin() + "/fake_encoder.log");
    return lines;
}

void TestKit::WriteSounds(const std::string &aliasFile, const std::string &header,
                          const std::vector<std::pair<std::string, std::string>> &rowsAndSources)
{
    std::string text = header + "\n";
    for (const auto &[row, source] : rowsAndSources)
    {
        text += row + "\n";
        size_t file = row.find(',') + 1;
        if (!source.empty())
            WriteSource(row.substr(file, row.find(',', file) - file), source);
    }
    WriteAliasFile(aliasFile, text);
}

KitRun TestKit::Run(const std::vector<std::string> &args, const ProcessOptions &options) const
{
    std::string program = program_;
    if (options.unprivileged)
    {
        if (reach_ != ScopedDir::Reach::Everyone)
            throw std::logic_error("runs as another user need a kit made for everyone");
        program = bin() + "/" + fs::path(program_).filename().string();
        fs::copy_file(program_, program, fs::copy_options::overwrite_existing);
        GiveToUnprivilegedUser(root_);
    }
    ProcessResult result = RunProcess(program, args, bin(), options);
    return KitRun{result.status, result.out, result.err, ReadTextOutput(bin() + "/Auralith.log")};
}

std::string ToolPath(const std::string &path)
{
    std::string tool(path);
    for (char &c : tool)
        if (c == '/')
            c = '\\';
    return tool;
}

std::map<std::string, std::string> OutputFiles(const TestKit &kit)
{
    std::map<std::string, std::string> files;
    for (const std::string tree : {"raw/", "devraw/"})
        for (const std::string &file : ListTree(kit / tree))
            files[tree + file] = ReadFile(kit / (tree + file));
    return files;
}

std::vector<std::string> SortedLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}
