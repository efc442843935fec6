// The record of a run for "-report-json".
#include "records/run_record.h"

#include "engine/common/str.h"
#include "records/tool_state.h"

#include <algorithm>
#include <initializer_list>

namespace
{
// The aliases of the entry's sound file are kept by list and by its name ignoring case.
std::unordered_map<std::string, std::vector<AliasUse>> &AliasesOfList(const SoundFileEntry *entry)
{
    return toolState.run.record.aliasesOf[entry->streamed ? 1 : 0];
}
std::string AliasKey(const SoundFileEntry *entry)
{
    std::string key = entry->file;
    for (char &c : key)
        c = Str_ToLowerAscii(c);
    return key;
}
} // namespace

void Tool_RecordAliases()
{
    for (const SoundFileList *list : {&toolState.run.loadedList, &toolState.run.streamedList})
        for (const SoundFileEntry *entry = list->head; entry != nullptr; entry = entry->next)
            AliasesOfList(entry)[AliasKey(entry)].push_back(
                AliasUse{entry->name, entry->aliasFile});
    // The lists hold the rows last read first.
    for (auto &kind : toolState.run.record.aliasesOf)
        for (auto &file : kind)
            std::reverse(file.second.begin(), file.second.end());
}

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
    auto aliases = AliasesOfList(entry).find(AliasKey(entry));
    if (aliases != AliasesOfList(entry).end())
        file.aliases = aliases->second;
    return &file;
}
