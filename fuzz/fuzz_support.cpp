// Shared set-up of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include "engine/common/console.h"
#include "engine/common/format.h"
#include "records/tool_state.h"
#include "tests/support/scoped_dir.h"

#include <cstdio>
#include <cstdlib>

void Fuzz_QuietOutput()
{
    const char *verbose = getenv("AURALITH_FUZZ_VERBOSE");
    if (verbose != nullptr && verbose[0] == '1')
        return;
    Com_CloseLog();
    Str_Copy(toolState.options.logFileName, "/dev/null", sizeof(toolState.options.logFileName));
    Com_BindOutputOptions(&toolState.options.verbose, toolState.options.logFileName);
    if (freopen("/dev/null", "w", stdout) == nullptr)
        Fuzz_Fail(__FILE__, __LINE__, "freopen(/dev/null)");
}

const std::string &Fuzz_ScratchDir()
{
    // Never destroyed before exit handlers run, so the folder outlives every input.
    static ScopedDir scratch;
    return scratch.path();
}

std::string Fuzz_Text(const uint8_t *data, size_t size)
{
    return std::string(reinterpret_cast<const char *>(data), size).c_str();
}

void Fuzz_WriteInput(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        Fuzz_Fail(__FILE__, __LINE__, "writing the input file");
}

void Fuzz_Fail(const char *file, int line, const char *condition)
{
    fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    abort();
}
