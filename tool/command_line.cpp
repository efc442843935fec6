// The command line.
#include "tool/command_line.h"

#include "engine/common/console.h"
#include "engine/common/str.h"
#include "records/tool_state.h"
#include "tool/platform_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr int PARAM_LIMIT = 259;

enum Option
{
    OPT_CLEAN,
    OPT_LANG,
    OPT_OPTIMIZE_COMPRESSION,
    OPT_LOG,
    OPT_VERBOSE,
    OPT_SYNC,
    OPT_ALIASFILES,
    OPT_IGNORE_ORPHANS,
    OPT_HELP,
    OPT_SKIP_LOCALIZED,
    OPT_SKIP_NON_LOCALIZED,
    OPT_LIST,
    OPT_LIST_STREAMED,
    OPT_LIST_RESIDENT,
    OPT_COPY_STREAMED_TO,
    OPT_CHECK3D,
    OPT_CHECK_PRIV,
    OPT_DRY_RUN,
    OPT_REPORT_JSON,
    OPT_JOBS,
};

struct OptionName
{
    const char *name;
    Option option;
};

// In the order in which each argument is compared with them. The platform switches
// come first; there is one per row of the platform table.
const OptionName optionNames[] = {
    {"-clean", OPT_CLEAN},
    {"-lang", OPT_LANG},
    {"-optimize_compression", OPT_OPTIMIZE_COMPRESSION},
    {"-log", OPT_LOG},
    {"-verbose", OPT_VERBOSE},
    {"-sync", OPT_SYNC},
    {"-aliasfiles", OPT_ALIASFILES},
    {"-ignore_orphans", OPT_IGNORE_ORPHANS},
    {"-help", OPT_HELP},
    {"-skip-localized", OPT_SKIP_LOCALIZED},
    {"-skip-non-localized", OPT_SKIP_NON_LOCALIZED},
    {"-list", OPT_LIST},
    {"-list-streamed", OPT_LIST_STREAMED},
    {"-list-resident", OPT_LIST_RESIDENT},
    {"-copy-streamed-to", OPT_COPY_STREAMED_TO},
    {"-check3d", OPT_CHECK3D},
    {"-check-priv", OPT_CHECK_PRIV},
    {"-dry-run", OPT_DRY_RUN},
    {"-report-json", OPT_REPORT_JSON},
    {"-jobs", OPT_JOBS},
};

// The index of the platform whose switch is arg, or -1.
int PlatformSwitch(const char *arg)
{
    if (arg[0] != '-')
        return -1;
    for (int i = 0; i < PLATFORM_COUNT; ++i)
        if (Str_CaseCompare(arg + 1, platformTable[i].name) == 0)
            return i;
    return -1;
}

bool ParamTooLong(const char *param)
{
    return strlen(param) >= PARAM_LIMIT;
}

// The parameter of "-jobs": a whole number from 0 to 64, checked like the other options'
// parameters first. False, after the message and the usage text, for anything else.
bool ParseJobs(int index, int count, char **vector, int *jobs)
{
    const char *param = index < count ? vector[index] : "";
    if (index < count && param[0] != '-' && ParamTooLong(param))
        return Tool_CheckOptionParam(index, count, vector, "-jobs");
    int value = 0;
    bool valid = param[0] != 0;
    for (const char *c = param; *c != 0 && valid; ++c)
    {
        valid = *c >= '0' && *c <= '9';
        value = value * 10 + (*c - '0');
        valid = valid && value <= TOOL_MAX_JOBS;
    }
    if (!valid)
    {
        Com_ErrorPrint(
            "'-jobs' takes a whole number from 1 to %d, or 0 for one job per processor\n",
            TOOL_MAX_JOBS);
        Tool_PrintUsage();
        return false;
    }
    *jobs = value;
    return true;
}
} // namespace

void Tool_PrintUsage()
{
    std::string platforms;
    for (int i = 0; i < PLATFORM_COUNT; ++i)
    {
        if (i > 0)
            platforms += ", ";
        platforms += std::string("-") + platformTable[i].name;
    }
    Com_Print(
        CHANNEL_TOOL,
        "USAGE: Auralith [options]\n"
        "\n"
        "platform: {%s}, defines which platform to run Auralith on (default is to run Auralith on "
        "all "
        "supported platforms).\n"
        "\n"
        " %-22s                 -- will force the update process to be run on all sounds, ignoring "
        "the "
        "history.\n"
        " %-22s                 -- will set the localized language directory to the param that "
        "follows it. "
        "if this switch is not used, the language will remain set to 'english'.\n"
        " %-22s                 -- will enable optimizing compression to the highest level that is "
        "equal in "
        "filesize to the requested compression level.\n"
        " %-22s <filename>      -- will use the specified filename as the log file.\n"
        " %-22s                 -- will print all debugging output.\n"
        " %-22s                 -- will open a new changelist in perforce for edited files and "
        "delete "
        "oprphaned file.\n"
        " %-22s <aliasfile,...> -- will only process the specified alias files (comma separated), "
        "csv "
        "extension optional.  Ignores orphans.\n"
        " %-22s                 -- ignores orphan files (doesn't list or remove from perforce).\n"
        " %-22s                 -- Lists all files\n"
        " %-22s                 -- Lists all streaming files\n"
        " %-22s                 -- Lists all resident files\n"
        " %-22s <directory>     -- Copies all streaming files to <dir>\n"
        " %-22s                 -- Skips localized files\n"
        " %-22s                 -- Skips non-localized files\n"
        " %-22s                 -- Checks all 3D (Spatialized) sounds\n"
        " %-22s                 -- Checks all target sounds for correct PRIV headers (PC RIFF data "
        "only)\n"
        " %-22s                 -- shows which sound files would be converted and why, and "
        "changes nothing.\n"
        // The line of -report-json is one blank narrower than the others, as published.
        " %-21s <filename>      -- writes a machine-readable record of the run to <filename>.\n"
        " %-22s <count>         -- converts up to <count> sound files at the same time (default "
        "1).\n"
        "\n"
        "\n",
        platforms.c_str(), "-clean", "-lang", "-optimize_compression", "-log", "-verbose", "-sync",
        "-aliasfiles", "-ignore_orphans", "-list", "-list-streamed", "-list-resident",
        "-copy-streamed-to", "-skip-localized", "-skip-non-localized", "-check3d", "-check-priv",
        "-dry-run", "-report-json", "-jobs");
}

bool Tool_CheckOptionParam(int index, int count, char **vector, const char *optionName)
{
    if (index < count && vector[index][0] != '-' && !ParamTooLong(vector[index]))
        return true;
    if (index < count && vector[index][0] != '-')
        Com_ErrorPrint("'%s' parameter greater than %d\n", optionName, PARAM_LIMIT);
    Tool_PrintUsage();
    return false;
}

void Tool_AddAliasFileList(const char *list)
{
    const char *item = list;
    for (;;)
    {
        const char *comma = strchr(item, ',');
        std::string name =
            comma ? std::string(item, static_cast<size_t>(comma - item)) : std::string(item);
        std::string stripped(name.size() + 1, '\0');
        Str_StripExtension(name.c_str(), &stripped[0]);
        stripped.resize(strlen(stripped.c_str()));
        toolState.options.aliasFiles.push_back(stripped + ".csv");
        if (comma == nullptr)
            break;
        item = comma + 1;
    }
}

bool Tool_ParseCommandLine(int count, char **vector)
{
    for (int i = 1; i < count; ++i)
    {
        const char *arg = vector[i];
        int platform = PlatformSwitch(arg);
        if (platform >= 0)
        {
            toolState.options.platformSelected[platform] = true;
            toolState.options.allPlatforms = false;
            continue;
        }
        const OptionName *match = nullptr;
        for (const OptionName &candidate : optionNames)
            if (Str_CaseCompare(arg, candidate.name) == 0)
            {
                match = &candidate;
                break;
            }
        if (match == nullptr)
        {
            Com_ErrorPrint("unrecognized commandline option '%s', usage follows:\n", arg);
            Tool_PrintUsage();
            return false;
        }
        switch (match->option)
        {
        case OPT_CLEAN:
            toolState.options.useHistory = false;
            break;
        case OPT_LANG:
            if (!Tool_CheckOptionParam(i + 1, count, vector, "-lang"))
                return false;
            ++i;
            Com_FormatBuffer(toolState.options.languageDir, sizeof(toolState.options.languageDir),
                             "%s/", vector[i]);
            break;
        case OPT_OPTIMIZE_COMPRESSION:
            toolState.options.optimizeCompression = true;
            break;
        case OPT_LOG:
            if (!Tool_CheckOptionParam(i + 1, count, vector, "-log"))
                return false;
            ++i;
            Str_Copy(toolState.options.logFileName, vector[i],
                     sizeof(toolState.options.logFileName));
            break;
        case OPT_VERBOSE:
            toolState.options.verbose = true;
            break;
        case OPT_SYNC:
            toolState.options.sync = true;
            break;
        case OPT_ALIASFILES:
            ++i;
            if (Tool_CheckOptionParam(i, count, vector, "-aliasfiles"))
            {
                Tool_AddAliasFileList(vector[i]);
                toolState.options.ignoreOrphans = true;
            }
            break;
        case OPT_IGNORE_ORPHANS:
            toolState.options.ignoreOrphans = true;
            break;
        case OPT_HELP:
            Tool_PrintUsage();
            exit(0);
        case OPT_SKIP_LOCALIZED:
            toolState.options.skipLocalized = true;
            break;
        case OPT_SKIP_NON_LOCALIZED:
            toolState.options.skipNonLocalized = true;
            break;
        case OPT_LIST:
            toolState.options.listFiles = true;
            break;
        case OPT_LIST_STREAMED:
            toolState.options.listFiles = true;
            toolState.options.skipLoaded = true;
            break;
        case OPT_LIST_RESIDENT:
            toolState.options.listFiles = true;
            toolState.options.skipStreamed = true;
            break;
        case OPT_COPY_STREAMED_TO:
            toolState.options.copyStreamed = true;
            toolState.options.skipLoaded = true;
            ++i;
            if (Tool_CheckOptionParam(i, count, vector, "-copy-streamed-to"))
                Str_Copy(toolState.options.copyDestination, vector[i],
                         sizeof(toolState.options.copyDestination));
            break;
        case OPT_CHECK3D:
            toolState.options.check3D = true;
            break;
        case OPT_CHECK_PRIV:
            toolState.options.checkPriv = true;
            break;
        case OPT_DRY_RUN:
            toolState.options.dryRun = true;
            break;
        case OPT_REPORT_JSON:
            if (!Tool_CheckOptionParam(i + 1, count, vector, "-report-json"))
                return false;
            ++i;
            Str_Copy(toolState.options.reportJson, vector[i], sizeof(toolState.options.reportJson));
            break;
        case OPT_JOBS:
            if (!ParseJobs(i + 1, count, vector, &toolState.options.jobs))
                return false;
            ++i;
            break;
        }
    }
    const ToolOptions &options = toolState.options;
    if (options.dryRun &&
        (options.listFiles || options.copyStreamed || options.check3D || options.checkPriv))
    {
        Com_ErrorPrint("'-dry-run' goes through a conversion run; it cannot be combined with "
                       "-list, -list-streamed, -list-resident, -copy-streamed-to, -check3d or "
                       "-check-priv\n");
        Tool_PrintUsage();
        return false;
    }
    return true;
}
