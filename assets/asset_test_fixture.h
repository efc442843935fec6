// Test fixture shared by the asset tests: a scratch folder for the log and the source
// root, captured console output, and a run state put back as it was after each test.
#pragma once

#include "assets/history.h"
#include "assets/sound_entry.h"
#include "assets/tokenizer.h"
#include "engine/common/format.h"
#include "tests/support/scoped_dir.h"
#include "tool/console.h"
#include "tool/tool_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// A platform with the compression range 0 to 9 and its own table and history files.
inline const PlatformInfo testPlatform = {"test",        "",    "TEST",   ".wav",   ".test.wav",
                                          "raw",         "raw", "devraw", "devraw", "table.ctb",
                                          "history.hst", 0,     9,        42,       nullptr};

class AssetTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        Com_CloseLog();
        Str_Copy(toolState.logFileName, (dir / "test.log").c_str(), sizeof(toolState.logFileName));
        Str_Copy(toolState.sourceRoot, (dir / "sound_assets").c_str(),
                 sizeof(toolState.sourceRoot));
        MakeDirs(dir / "sound_assets");
        toolState.platform = &platformTable[0];
        toolState.platformIndex = 0;
        toolState.errors.clear();
        toolState.verbose = false;
        toolState.sync = false;
        memset(&toolState.compressionTable, 0, sizeof(toolState.compressionTable));
    }

    void TearDown() override
    {
        if (capturing)
            testing::internal::GetCapturedStdout();
        Tool_FreeSoundList(&toolState.loadedList);
        Tool_FreeSoundList(&toolState.streamedList);
        Tool_FreeHistory();
        memset(&toolState.compressionTable, 0, sizeof(toolState.compressionTable));
        toolState.errors.clear();
        toolState.verbose = false;
        toolState.sync = false;
        toolState.platform = nullptr;
        toolState.sourceRoot[0] = 0;
        Com_CloseLog();
        Str_Copy(toolState.logFileName, "Auralith.log", sizeof(toolState.logFileName));
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

    // The files of a work list from its head.
    static std::vector<std::string> Files(const SoundFileList &list)
    {
        std::vector<std::string> files;
        for (const SoundFileEntry *entry = list.head; entry != nullptr; entry = entry->next)
            files.push_back(entry->file);
        return files;
    }

    ScopedDir dir;
    bool capturing = false;
};
