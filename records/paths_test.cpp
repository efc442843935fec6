// The path utilities of the tool.
#include "records/paths.h"

#include "tests/support/scoped_dir.h"

#include <gtest/gtest.h>
#include <string>

TEST(ToolPaths, BackSlashPathTurnsPairsIntoOneAndMakeDirForFileMakesFolders)
{
    char path[64] = "C:/kit//raw\\\\\\sound/x.wav";
    Tool_BackSlashPath(path);
    EXPECT_STREQ("C:\\kit\\raw\\\\sound\\x.wav", path);

    ScopedDir dir;
    Tool_MakeDirForFile((dir.path() + "/devraw\\english\\sound/x.wav").c_str());
    EXPECT_TRUE(FileExists(dir / "devraw/english/sound"));
    EXPECT_FALSE(FileExists(dir / "devraw/english/sound/x.wav"));
}
