// Numbered variants of an alias, found by listing their folder.
#include "assets/alias_variants.h"

#include "assets/alias_row.h"
#include "engine/common/console.h"
#include "engine/common/format.h"
#include "platform/errors.h"
#include "platform/find.h"
#include "records/paths.h"
#include "records/tool_state.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// The position of the extension that carries the number, or -1.
int VariantPosition(const char *name)
{
    const char *found = strstr(name, toolState.run.platform->platformSourceExt);
    if (found == nullptr)
        found = strstr(name, ".wav");
    return found == nullptr ? -1 : static_cast<int>(found - name);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsPlatformSpecific(const char *name)
{
    return strstr(name, toolState.run.platform->platformSourceExt) != nullptr;
}

// The search pattern of the stem's folder below the given tree; false when it does not fit
// (the pattern is then cut).
bool FolderPattern(char *pattern, const char *tree, const char *stem)
{
    std::string text =
        std::string(toolState.folders.sourceRoot) + "\\" + tree + "\\sound\\" + stem + "\\*";
    Str_Copy(pattern, text.c_str(), TOOL_PATH_SIZE);
    Tool_BackSlashPath(pattern);
    return text.size() < static_cast<size_t>(TOOL_PATH_SIZE);
}
} // namespace

bool Tool_HasVariantNumber(const char *name)
{
    int p = VariantPosition(name);
    return p >= 2 && IsDigit(name[p - 2]) && IsDigit(name[p - 1]);
}

bool Tool_CompareVariantNames(const char *a, const char *b)
{
    int pa = VariantPosition(a);
    int pb = VariantPosition(b);
    if (a[pa - 2] != b[pb - 2])
        return a[pa - 2] < b[pb - 2];
    if (a[pa - 1] != b[pb - 1])
        return a[pa - 1] < b[pb - 1];
    return IsPlatformSpecific(a) && !IsPlatformSpecific(b);
}

void Tool_AddNumberedVariants(SoundFileEntry *row, const char *aliasFileName)
{
    char stem[sizeof(row->file)];
    Str_Copy(stem, row->file, sizeof(stem));

    char pattern[TOOL_PATH_SIZE];
    PlatFindData data;
    PlatFind *find = nullptr;
    uint32_t failure = PLAT_ERROR_FILENAME_EXCED_RANGE;
    if (FolderPattern(pattern, "raw", stem))
    {
        find = Plat_FindFirst(pattern, &data);
        if (find == nullptr)
            failure = Plat_LastError();
    }
    if (find == nullptr)
    {
        // Only the raw tree holds numbered folders; the devraw pattern names the error.
        char devrawPattern[TOOL_PATH_SIZE];
        FolderPattern(devrawPattern, "devraw", stem);
        Tool_AddError(failure, devrawPattern, 0);
        return;
    }

    std::vector<std::string> names;
    std::string lastName;
    do
    {
        lastName = data.name;
        if (!data.isDirectory && Tool_HasVariantNumber(data.name))
            names.push_back(data.name);
    } while (Plat_FindNext(find, &data));
    uint32_t endCode = Plat_LastError();
    Plat_FindClose(find);
    if (endCode != PLAT_ERROR_NO_MORE_FILES)
        Tool_AddError(endCode, lastName.c_str(), 0);

    std::stable_sort(names.begin(), names.end(),
                     [](const std::string &a, const std::string &b)
                     { return Tool_CompareVariantNames(a.c_str(), b.c_str()); });

    bool platformTaken = false;
    for (const std::string &name : names)
    {
        if (IsPlatformSpecific(name.c_str()))
            platformTaken = true;
        else if (platformTaken)
            continue;
        std::string variant = std::string(stem) + "/" + name;
        if (variant.size() >= static_cast<size_t>(ALIAS_VALUE_LIMIT))
        {
            Com_ReportError("Sound alias file %s: Sound file '%s' is longer than %i characters\n",
                            aliasFileName, variant.c_str(), ALIAS_VALUE_LIMIT);
            Tool_AddError(0, (std::string(aliasFileName) + ": " + variant).c_str(),
                          TOOL_ERROR_NAME_TOO_LONG);
            continue;
        }
        Str_Copy(row->file, variant.c_str(), sizeof(row->file));
        Tool_AddSoundFileEntry(row);
    }
}
