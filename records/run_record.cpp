// The record of a run for "-report-json".
#include "records/run_record.h"

#include "engine/common/str.h"
#include "records/tool_state.h"

SoundFileRecord *Tool_SoundFileRecord(const SoundFileEntry *entry)
{
    RunRecord &run = toolState.run.record;
    if (!run.enabled)
        return nullptr;
    auto found = run.fileOf.find(entry);
    if (found != run.fileOf.end())
        return &run.files[found->second];
    run.fileOf[entry] = run.files.size();
    run.files.emplace_back();
    SoundFileRecord &file = run.files.back();
    file.file = entry->file;
    file.streamed = entry->streamed;
    file.looping = entry->looping;
    std::string key = entry->file;
    for (char &c : key)
        c = Str_ToLowerAscii(c);
    auto aliases = run.aliasesOf[entry->streamed ? 1 : 0].find(key);
    if (aliases != run.aliasesOf[entry->streamed ? 1 : 0].end())
        file.aliases = aliases->second;
    return &file;
}
