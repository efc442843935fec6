// Error records: system messages without trailing blanks. Texts are cut to their field
// (HostileKit.AliasFilesOfGarbageHugeLinesAndOpenQuotes prints one).
#include "records/error_records.h"

#include "records/tool_state.h"

#include <cctype>
#include <cstring>
#include <gtest/gtest.h>

TEST(ToolErrorRecords, AddErrorKeepsTheSystemMessageWithoutTrailingBlanks)
{
    toolState.run = ToolRun{};
    Tool_AddError(5, "run.json", 0);
    Tool_AddError(0, "alias.csv: name", TOOL_ERROR_INVALID_ALIAS_NAME);
    ASSERT_EQ(2u, toolState.run.errors.size());
    const ToolErrorRecord &first = toolState.run.errors[0];
    EXPECT_NE(0u, strlen(first.systemMessage));
    EXPECT_FALSE(
        isspace(static_cast<unsigned char>(first.systemMessage[strlen(first.systemMessage) - 1])));
    EXPECT_STREQ("", toolState.run.errors[1].systemMessage);
    toolState.run = ToolRun{};
}
