// The record of a run as a JSON document ("-report-json"); its schema is
// docs/report-json.schema.json.
#include "tool/run_json.h"

#include "convert/whole_file.h"
#include "engine/common/format.h"
#include "records/paths.h"
#include "records/tool_state.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

namespace
{
using json = nlohmann::ordered_json;

constexpr int REPORT_VERSION = 1;

// The kit root as the tool prints paths: with backslashes.
std::string KitRoot()
{
    char root[TOOL_PATH_SIZE];
    Str_Copy(root, toolState.folders.baseDir, sizeof(root));
    Tool_BackSlashPath(root);
    size_t length = strlen(root);
    if (length > 0 && root[length - 1] == '\\')
        root[length - 1] = 0;
    return root;
}

json SoundFile(const SoundFileRecord &file)
{
    json aliases = json::array();
    for (const AliasUse &use : file.aliases)
        aliases.push_back({{"name", use.name}, {"aliasFile", use.aliasFile}});
    json programs = json::array();
    for (const ProgramLaunchRecord &launch : file.programs)
        programs.push_back({{"program", launch.program},
                            {"exitStatus", launch.exitStatus},
                            {"milliseconds", launch.milliseconds}});
    json source = file.source.empty() ? json(nullptr) : json(file.source);
    json target = file.target.empty() ? json(nullptr) : json(file.target);
    return {{"file", file.file},       {"aliases", aliases},          {"streamed", file.streamed},
            {"looping", file.looping}, {"localized", file.localized}, {"source", source},
            {"target", target},        {"decision", file.decision},   {"reason", file.reason},
            {"programs", programs},    {"errors", file.errors}};
}

json ErrorRecord(const ToolErrorRecord &record)
{
    const char *message = Tool_ErrorRecordMessage(record);
    return {{"text", record.text},
            {"systemError", record.systemError},
            {"toolError", record.toolError},
            {"message", message != nullptr ? message : ""}};
}
} // namespace

void Tool_WriteRunJson()
{
    const ToolRun &run = toolState.run;
    json files = json::array();
    for (const SoundFileRecord &file : run.record.files)
        files.push_back(SoundFile(file));
    json errors = json::array();
    for (const ToolErrorRecord &record : run.errors)
        errors.push_back(ErrorRecord(record));
    // The orphans are reported only when the report prints them.
    json orphans = nullptr;
    json orphanCount = nullptr;
    if (!toolState.options.ignoreOrphans)
    {
        orphans = json::array();
        for (const std::string &path : run.orphanCandidates)
            orphans.push_back(path);
        orphanCount = run.orphanCandidates.size();
    }
    json document = {
        {"version", REPORT_VERSION},
        {"kitRoot", KitRoot()},
        {"platform", run.platform != nullptr ? run.platform->name : ""},
        {"dryRun", toolState.options.dryRun},
        {"soundFiles", files},
        {"orphans", orphans},
        {"errors", errors},
        {"counts",
         {{"files", run.filesCount},
          {"updated", run.updatedCount},
          {"orphans", orphanCount},
          {"errors", run.errors.size()}}},
        {"timing", {{"encodeMilliseconds", run.encodeTime}, {"otherMilliseconds", run.otherTime}}},
    };
    // Names and messages are the bytes the tool holds, which need not be UTF-8: those are
    // replaced rather than refused.
    std::string text = document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    const char *path = toolState.options.reportJson;
    if (!Tool_WriteWholeFile(path, static_cast<int>(text.size()),
                             reinterpret_cast<const unsigned char *>(text.data())))
        Tool_AddError(0, path, TOOL_ERROR_OPEN_FOR_WRITE);
}
