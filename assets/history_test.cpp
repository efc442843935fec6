// The history file: reading, its refusals and parse failures, lookup and writing. A missing,
// unwritable or full-disk history and files of garbage are checked end to end (conversion_test,
// crash_safety_test, hostile_kit_test).
#include "assets/history.h"

#include "tests/support/run_fixture.h"

namespace
{
class HistoryTest : public RunTest
{
  protected:
    void SetUp() override
    {
        RunTest::SetUp();
        path = std::string(toolState.folders.sourceRoot) + "/Auralith.hst";
    }

    std::string Read(const std::string &text)
    {
        WriteFile(path, text);
        Capture();
        Tool_ReadHistory();
        return Output();
    }

    static Strings Names(const XUHistoryEntry *head) { return Texts(head, &XUHistoryEntry::name); }

    std::string path;
};

TEST_F(HistoryTest, ReadingStopsAtTheFirstBadRecordAndSaysWhy)
{
    const std::string head = "XUHISTORY 8\n\"a.wav\" 0 0 0 0 0\n";
    const std::string refusal = "ERROR: \"" + path +
                                "\" does not appear to be a valid history file, or is the wrong "
                                "version #, no history will be used.\n";
    const std::string parsed = "ERROR: history parse failure : entry name parsed (";
    const std::string noMatching = parsed + "b.wav), but no matching ";
    const std::string noSyncTime = "ERROR: history parse failure : missing last sync time\n";
    auto named = [](size_t length) { return std::string(length, 'n'); };
    auto tooLong = [&](size_t length)
    {
        return "ERROR: history entry name '" + named(length) +
               "' is longer than 259 characters, entry skipped\n";
    };
    const struct
    {
        std::string text;
        std::string printed;
        Strings loaded;
    } cases[] = {
        {"", "", {}},
        {"XUHISTORY 7\n\"a.wav\" 0 0 0 0 0\n", refusal, {}},
        {"XUHISTORY", refusal, {}},
        {"xuhistory 8\n", refusal, {}},
        {head + "\"b.wav\"\n", noMatching + "compression setting found.\n", {"a.wav"}},
        {head + "\"b.wav\" 0", noMatching + "streamed setting found.\n", {"a.wav"}},
        {head + "\"b.wav\" 0 1 }", noMatching + "devOnly setting found.\n", {"a.wav"}},
        {head + "\"b.wav\" 0 0 0 12", noSyncTime, {"a.wav"}},
        {head + "\"b.wav\" 0 0 0", noSyncTime, {"a.wav"}},
        {head + "\x01\x02\xff\"unterminated ",
         parsed + "unterminated ), but no matching compression setting found.\n",
         {"a.wav"}},
        // A closing brace or an empty name ends the records.
        {"XUHISTORY 8 \"a.wav\" 0 0 0 0 0 } \"b.wav\" 0 0 0 0 0", "", {"a.wav"}},
        {"XUHISTORY 8 \"a.wav\" 0 0 0 0 0 \"\" \"b.wav\" 0 0 0 0 0", "", {"a.wav"}},
        // A name too long for its field skips its record; tokens are cut to 1023 bytes.
        {head + "\"" + named(259) + "\" 0 0 0 0 0", "", {named(259), "a.wav"}},
        {head + "\"" + named(260) + "\" 0 0 0 0 0 b.wav 0 0 0 0 0",
         tooLong(260),
         {"b.wav", "a.wav"}},
        {head + named(4 << 20) + " 0 0 0 0 0", tooLong(1023), {"a.wav"}},
    };
    for (const auto &read : cases)
    {
        SCOPED_TRACE(read.text.substr(0, 60));
        EXPECT_EQ(Read(read.text), read.printed);
        EXPECT_EQ(Names(toolState.run.historyLists.loaded), read.loaded);
        EXPECT_EQ(toolState.run.historyLists.streamed, nullptr);
    }
    // A refused file is written back empty.
    Read("XUHISTORY 7\n\"a.wav\" 0 0 0 0 0\n");
    Tool_WriteHistory();
    EXPECT_EQ(ReadFile(path), "XUHISTORY 8\n");
}

// That each record reads back as written, names with quotes and backslashes included, is
// fuzz_history's round trip over its seeds.
TEST_F(HistoryTest, WriteEscapesNamesKeepsTheLongestAndNegativeHalvesOrSyncsThem)
{
    const char *awkward = "dir with spaces/say \"hi\" back\\slash.wav";
    const std::string longest(259, 'n');
    Tool_NewHistoryEntry(awkward, 3, true, true, -1234567890, 30000000);
    Tool_NewHistoryEntry(longest.c_str(), 0, false, false, 0, 0);
    toolState.options.sync = false;
    Tool_WriteHistory();
    EXPECT_EQ(ReadFile(path), "XUHISTORY 8\n\"dir with spaces/say \\\"hi\\\" back\\\\slash.wav\" 3 "
                              "1 1 -1234567890 30000000\n\"" +
                                  longest + "\" 0 0 0 0 0\n");

    // -sync stamps every record with the same current time, whose high half is far above 0.
    toolState.options.sync = true;
    Tool_WriteHistory();
    Tool_ReadHistory();
    const XUHistoryEntry *a = toolState.run.historyLists.loaded;
    const XUHistoryEntry *b = toolState.run.historyLists.streamed;
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_EQ(a->syncTimeLow, b->syncTimeLow);
    EXPECT_EQ(a->syncTimeHigh, b->syncTimeHigh);
    EXPECT_GT(a->syncTimeHigh, 20000000);
}

TEST_F(HistoryTest, WriteOrderNewRecordsFirstStreamedBeforeLoaded)
{
    Read("XUHISTORY 8\n\"A\" 0 0 0 1 1\n\"B\" 0 0 0 2 2\n\"C\" 0 0 0 3 3\n\"S\" 0 1 0 4 4\n");
    Tool_NewHistoryEntry("new", 0, false, false, 9, 9);
    bool created = false;
    Tool_FindHistoryEntry("made", 0, false, false, &created);
    EXPECT_TRUE(created);
    // Failed records, and names the reader would take as the end, are left out.
    Tool_NewHistoryEntry("broken.wav", 0, false, false, 0, 0)->failed = true;
    Tool_NewHistoryEntry("}odd.wav", 0, false, false, 0, 0);
    Tool_WriteHistory();
    EXPECT_EQ(ReadFile(path), "XUHISTORY 8\n\"S\" 0 1 0 4 4\n\"made\" 0 0 0 0 0\n\"new\" 0 0 0 9 "
                              "9\n\"C\" 0 0 0 3 3\n\"B\" 0 0 0 2 2\n\"A\" 0 0 0 1 1\n");
    // Written through a temporary file that is gone.
    EXPECT_EQ(ListTree(toolState.folders.sourceRoot), (Strings{"Auralith.hst"}));
}

TEST_F(HistoryTest, FindIgnoresCaseWithinItsKindAndReturnsTheHeadMostRecord)
{
    Read("XUHISTORY 8\n\"x.wav\" 1 0 0 0 0\n\"X.WAV\" 2 0 0 0 0\n\"y.wav\" 3 0 0 0 0\n");
    XUHistoryEntry *head = toolState.run.historyLists.loaded;
    bool created = true;
    XUHistoryEntry *found = Tool_FindHistoryEntry("x.Wav", 0, false, false, &created);
    EXPECT_EQ(found->compressionSetting, 2);
    EXPECT_FALSE(created);
    EXPECT_EQ(toolState.run.historyLists.loaded, head); // nothing added

    // Not in the list of its kind: a new record with the given values.
    XUHistoryEntry *made = Tool_FindHistoryEntry("X.wav", 4, true, true, &created);
    EXPECT_TRUE(created);
    EXPECT_NE(made, found);
    EXPECT_EQ(toolState.run.historyLists.streamed, made);
    EXPECT_STREQ(made->name, "X.wav");
    EXPECT_EQ(made->compressionSetting, 4);
    EXPECT_TRUE(made->devOnly);
    EXPECT_EQ(made->syncTimeLow, 0);
    EXPECT_EQ(Tool_FindHistoryEntry("x.WAV", 0, true, false, &created), made);
    Tool_NewHistoryEntry("x.wav", 5, false, false, 0, 0);
    EXPECT_EQ(Tool_FindHistoryEntry("X.WAV", 0, false, false, &created)->compressionSetting, 5);

    // Freed records are found no more.
    Tool_FreeHistory();
    XUHistoryEntry *again = Tool_FindHistoryEntry("x.wav", 3, true, false, &created);
    EXPECT_EQ(again->compressionSetting, 3);
    EXPECT_EQ(again->next, nullptr);
}
} // namespace
