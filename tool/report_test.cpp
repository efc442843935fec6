// The orphan walk over the platform's output folders: a directory word that occurs twice
// walks its folders once and repeats what the first walk recorded.
#include "tests/support/scoped_dir.h"
#include "tests/support/test_kit.h"
#include "tool/report.h"
#include "tool/tool_state.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
class OrphanWalk : public testing::Test
{
  protected:
    void SetUp() override
    {
        saved = toolState;
        toolState.errors.clear();
        toolState.orphanCandidates.clear();
        toolState.platform = &platformTable[0];
        toolState.skipLocalized = false;
        toolState.skipNonLocalized = false;
        Str_Copy(toolState.languageDir, "english/", sizeof(toolState.languageDir));
    }
    void TearDown() override { toolState = saved; }
    ToolState saved;
    ScopedDir dir;
};
} // namespace

TEST_F(OrphanWalk, RepeatedWordsKeepTheErrorRecordsOfEveryWalk)
{
    // "raw" and "devraw" are each the streamed and the loaded word of "pc". Their english
    // folders cannot be listed (a file stands where the folder should be).
    WriteFile(dir / "raw/english", "");
    WriteFile(dir / "devraw/english", "");
    WriteFile(dir / "raw/sound/a.wav", "");
    WriteFile(dir / "raw/sound/notes.txt", "");

    Tool_FindOrphanCandidates((dir.path() + "/").c_str());

    std::string root = ToolPath(dir.path());
    std::vector<std::string> texts;
    for (const ToolErrorRecord &record : toolState.errors)
    {
        EXPECT_NE(0u, record.systemError);
        EXPECT_EQ(toolState.errors[0].systemError, record.systemError);
        texts.push_back(record.text);
    }
    std::string rawPattern = root + "\\raw\\english\\sound\\*";
    std::string devrawPattern = root + "\\devraw\\english\\sound\\*";
    EXPECT_EQ((std::vector<std::string>{rawPattern, rawPattern, devrawPattern, devrawPattern}),
              texts);
    std::vector<std::string> found(toolState.orphanCandidates.begin(),
                                   toolState.orphanCandidates.end());
    EXPECT_EQ((std::vector<std::string>{root + "\\raw\\sound\\a.wav"}), found);
    // The folders that can be made are made.
    EXPECT_TRUE(FileExists(dir / "devraw/sound"));
    EXPECT_TRUE(FileExists(dir / "raw/sound"));
}
