// What a conversion run did with each sound file, kept for "-report-json": filled by the
// steps that decide and convert (only when a record of the run was asked for), written by
// the entry point at shutdown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct SoundFileEntry;

struct ProgramLaunchRecord
{
    std::string program;
    int exitStatus;        // -1 when it could not start or did not exit normally
    uint32_t milliseconds; // from its start to its end
};

struct AliasUse
{
    std::string name;
    std::string aliasFile;
};

struct SoundFileRecord
{
    std::string file;
    std::vector<AliasUse> aliases;
    bool streamed = false;
    bool looping = false;
    bool localized = false;
    std::string source; // as the tool prints paths; empty when none was found
    std::string target;
    std::string decision; // "converted", "up to date", "skipped" or "failed"
    std::string reason;
    std::vector<ProgramLaunchRecord> programs;
    std::vector<size_t> errors; // indexes into the run's error records
};

struct RunRecord
{
    bool enabled = false;
    std::vector<SoundFileRecord> files;
    // Where each visited entry's record is, and the entry whose error records are being
    // added now (null: none is).
    std::unordered_map<const SoundFileEntry *, size_t> fileOf;
    const SoundFileEntry *current = nullptr;
    // The aliases of each sound file, by list and by file name in lower case, gathered
    // before the lists are merged.
    std::unordered_map<std::string, std::vector<AliasUse>> aliasesOf[2];
};

// Gathers the aliases of every sound file from the work lists, before the merge folds the
// entries of one sound file into one.
void Tool_RecordAliases();
// The record of entry, made on first use; null when no record of the run is kept.
SoundFileRecord *Tool_SoundFileRecord(const SoundFileEntry *entry);
