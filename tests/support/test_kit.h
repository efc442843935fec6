// A kit in a temporary folder for end-to-end runs of Auralith: its bin folder with the
// fake encoders, the alias folders, the source tree.
#pragma once

#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <map>
#include <string>
#include <vector>

struct KitRun
{
    int status;
    std::string out;
    std::string err;
    std::string log; // Auralith.log after the run
};

class TestKit
{
  public:
    // fakeEncoders: put the fake encoder into bin under the three program names. A kit
    // that runs Auralith as the unprivileged user is made for everyone to reach.
    explicit TestKit(bool fakeEncoders = true, ScopedDir::Reach reach = ScopedDir::Reach::Owner);

    const std::string &root() const { return root_; }
    std::string bin() const { return root_ + "/bin"; }
    // root() + "/" + relative.
    std::string operator/(const std::string &relative) const { return root_ + "/" + relative; }

    // Writes an alias file below main/soundaliases (or the given game folder).
    void WriteAliasFile(const std::string &name, const std::string &text,
                        const std::string &gameFolder = "main")
    {
        WriteFile(root_ + "/" + gameFolder + "/soundaliases/" + name, text);
    }
    // Writes a source below sound_assets/raw/sound (or devraw).
    void WriteSource(const std::string &relative, const std::string &bytes,
                     const std::string &tree = "raw")
    {
        WriteFile(root_ + "/sound_assets/" + tree + "/sound/" + relative, bytes);
    }
    // Writes an alias file of the header and the rows below main/soundaliases, and for each
    // row with bytes the source its second field names.
    void WriteSounds(const std::string &aliasFile, const std::string &header,
                     const std::vector<std::pair<std::string, std::string>> &rowsAndSources);
    // Replaces the rules of the fake encoders (see the fake encoder's header comment).
    void SetEncoderRules(const std::string &rules)
    {
        WriteFile(bin() + "/fake_encoder.cfg", rules);
    }
    // The fake encoders' log lines since the kit was made, and clears it.
    std::vector<std::string> TakeEncoderLog();

    // Runs Auralith in bin. A run as the unprivileged user gets the kit first and runs a
    // copy of the program put into bin.
    KitRun Run(const std::vector<std::string> &args, const ProcessOptions &options = {}) const;
    // The Auralith program that Run starts or copies; the build's by default.
    void UseProgram(const std::string &path) { program_ = path; }

  private:
    ScopedDir::Reach reach_;
    ScopedDir dir_;
    std::string root_;
    std::string program_;
};

// The path as the tool prints it: every "/" turned into "\".
std::string ToolPath(const std::string &path);

// Every converted file of the kit (below raw and devraw) by its kit-relative path, with its
// bytes.
std::map<std::string, std::string> OutputFiles(const TestKit &kit);
// The lines of a text, sorted.
std::vector<std::string> SortedLines(const std::string &text);
inline bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}
