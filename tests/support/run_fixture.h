// Test fixture of the tests that drive steps of a run directly (alias files, history,
// compression tables, the decision): a scratch folder for the log and the source root,
// captured console output, and a fresh run state and options for each test.
#pragma once

#include "assets/history.h"
#include "engine/common/console.h"
#include "engine/common/format.h"
#include "records/sound_entry.h"
#include "records/tool_state.h"
#include "tests/support/scoped_dir.h"
#include "tool/platform_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// A platform with the compression range 0 to 9 and its own table and history files.
inline const PlatformInfo testPlatform = {"test",        "",    "TEST",   ".wav",   ".test.wav",
                                          "raw",         "raw", "devraw", "devraw", "table.ctb",
                                          "history.hst", 0,     9,        42,       nullptr};

using Strings = std::vector<std::string>;

class RunTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        Com_CloseLog();
        toolState.options = ToolOptions{};
        toolState.folders = ToolFolders{};
        toolState.run = ToolRun{};
        Com_BindOutputOptions(&toolState.options.verbose, toolState.options.logFileName);
        Str_Copy(toolState.options.logFileName, (dir / "test.log").c_str(),
                 sizeof(toolState.options.logFileName));
        Str_Copy(toolState.folders.sourceRoot, (dir / "sound_assets").c_str(),
                 sizeof(toolState.folders.sourceRoot));
        MakeDirs(dir / "sound_assets");
        toolState.run.platform = &platformTable[0];
    }

    void TearDown() override
    {
        if (capturing)
            testing::internal::GetCapturedStdout();
        Tool_FreeSoundList(&toolState.run.loadedList);
        Tool_FreeSoundList(&toolState.run.streamedList);
        Tool_FreeHistory();
        toolState.run = ToolRun{};
        toolState.folders = ToolFolders{};
        toolState.options = ToolOptions{};
        Com_CloseLog();
    }

    void Capture()
    {
        testing::internal::CaptureStdout();
        capturing = true;
    }

    std::string Output()
    {
        capturing = false;
        return testing::internal::GetCapturedStdout();
    }

    std::string Source(const std::string &relative) const
    {
        return dir / ("sound_assets/" + relative);
    }

    // A text field of every record of a list from its head, as Texts(list.head,
    // &SoundFileEntry::name); Files gives the files of a work list.
    template <typename Record, size_t N>
    static Strings Texts(const Record *head, char (Record::*field)[N])
    {
        Strings texts;
        for (; head != nullptr; head = head->next)
            texts.push_back(head->*field);
        return texts;
    }
    static Strings Files(const SoundFileList &list)
    {
        return Texts(list.head, &SoundFileEntry::file);
    }

    ScopedDir dir;
    bool capturing = false;
};
