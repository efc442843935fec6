// The compression table reader on any file: the input is written as the table file of a
// platform with the settings 0 to 9 and loaded with Tool_LoadCompressionTable. The table
// keeps at most its room of entries, every name fits its field, every setting lies in
// the range, and the parse session is closed on every way out.
#include "assets/compression_table.h"
#include "assets/tokenizer.h"
#include "engine/common/format.h"
#include "fuzz/fuzz_support.h"
#include "records/tool_state.h"

#include <cstring>
#include <string>

namespace
{
const PlatformInfo fuzzPlatform = {"fuzz",        "",    "FUZZ",   ".wav",   ".fuzz.wav",
                                   "raw",         "raw", "devraw", "devraw", "table.ctb",
                                   "history.hst", 0,     9,        42,       nullptr};
std::string tablePath;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz_QuietOutput();
    Str_Copy(toolState.folders.sourceRoot, Fuzz_ScratchDir().c_str(),
             sizeof(toolState.folders.sourceRoot));
    toolState.run.platform = &fuzzPlatform;
    tablePath = Fuzz_ScratchDir() + "/" + fuzzPlatform.compressionTableFile;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ParseSession *base = Com_GetParseSession();
    Fuzz_WriteInput(tablePath, data, size);
    CompressionTable &table = toolState.run.compressionTable;
    memset(&table, 0, sizeof(table));

    Tool_LoadCompressionTable();

    FUZZ_CHECK(Com_GetParseSession() == base);
    FUZZ_CHECK(table.count >= 0 && table.count <= COMPRESSION_TABLE_MAX);
    for (int i = 0; i < table.count; ++i)
    {
        const CompressionTableEntry &entry = table.entries[i];
        FUZZ_CHECK(memchr(entry.name, 0, sizeof(entry.name)) != nullptr);
        FUZZ_CHECK(entry.setting >= fuzzPlatform.minCompression &&
                   entry.setting <= fuzzPlatform.maxCompression);
        // Names are unique ignoring case, and only the default has none.
        FUZZ_CHECK((i == 0) == (entry.name[0] == 0));
        for (int j = 0; j < i; ++j)
            FUZZ_CHECK(Str_CaseCompare(entry.name, table.entries[j].name) != 0);
    }
    return 0;
}
