// A whole alias file through Tool_ParseAliasFile, as a "pc" run reads it: the file
// system is started once on a scratch kit, and each input is written as
// main/soundaliases/fuzz.csv, read by game path, parsed, sorted and merged, then the work
// lists are freed. The kit has a numbered sound folder, so that "_##.wav" rows find
// variants. Every entry's texts fit their fields, the list counts match the lists, and
// the parse session is closed again.
#include "assets/alias_file.h"
#include "assets/sound_list.h"
#include "assets/tokenizer.h"
#include "engine/common/format.h"
#include "engine/dvar/dvar.h"
#include "engine/fs/search_path.h"
#include "fuzz/fuzz_support.h"
#include "records/tool_state.h"
#include "tests/support/scoped_dir.h"
#include "tool/platform_table.h"

#include <cstring>
#include <string>

namespace
{
std::string aliasPath;

void CheckList(const SoundFileList &list, bool streamed)
{
    int count = 0;
    for (const SoundFileEntry *entry = list.head; entry != nullptr; entry = entry->next)
    {
        for (const char *text : {entry->aliasFile, entry->name, entry->file, entry->compression})
            FUZZ_CHECK(memchr(text, 0, 64) != nullptr);
        FUZZ_CHECK(entry->name[0] != 0 && entry->file[0] != 0);
        // Alias names hold letters, digits and "_" only.
        FUZZ_CHECK(strspn(entry->name, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                       "0123456789_") == strlen(entry->name));
        FUZZ_CHECK(entry->streamed == streamed);
        FUZZ_CHECK(entry->platformOk && !entry->rejected);
        ++count;
    }
    FUZZ_CHECK(count == list.count);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz_QuietOutput();
    const std::string &kit = Fuzz_ScratchDir();
    MakeDirs(kit + "/main/soundaliases");
    for (const char *variant :
         {"shot01.wav", "shot_02.wav", "shot03.pc.wav", "shot04.wav", "shot.wav", "readme.txt"})
        WriteFile(kit + "/sound_assets/raw/sound/weapons/shot/" + variant, "RIFF");
    Str_Copy(toolState.folders.sourceRoot, (kit + "/sound_assets").c_str(),
             sizeof(toolState.folders.sourceRoot));
    toolState.run.platformIndex = 0;
    toolState.run.platform = &platformTable[0];
    aliasPath = kit + "/main/soundaliases/fuzz.csv";
    // Start-up's way: fs_basepath is the kit root followed by "/".
    Dvar_RegisterString("fs_basepath", (kit + "/").c_str(), DVAR_EXTERNAL, "External Dvar");
    FS_Startup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ParseSession *base = Com_GetParseSession();
    Fuzz_WriteInput(aliasPath, data, size);

    Tool_ParseAliasFile(0, "fuzz.csv");
    FUZZ_CHECK(Com_GetParseSession() == base);
    CheckList(toolState.run.loadedList, false);
    CheckList(toolState.run.streamedList, true);

    Tool_MergeSoundList(&toolState.run.loadedList);
    Tool_MergeSoundList(&toolState.run.streamedList);
    CheckList(toolState.run.loadedList, false);
    CheckList(toolState.run.streamedList, true);

    Tool_FreeSoundList(&toolState.run.loadedList);
    Tool_FreeSoundList(&toolState.run.streamedList);
    toolState.run.errors.clear();
    return 0;
}
