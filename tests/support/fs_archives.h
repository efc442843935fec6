// Test kits for the file system: zip archives written by two independent writers (the
// Info-ZIP "zip" program and Python's zipfile), byte patches for damaged archives, and
// starting the file system on a kit root.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipMember
{
    std::string name;
    std::string data;
};

enum class ZipWriter
{
    InfoZip,
    Python,
};

const char *ZipWriterName(ZipWriter writer);

// Writes a zip archive at path holding the members in the given order, deflated or
// stored. Info-ZIP takes the names from files it is given, so its member names must be
// plain relative paths with "/"; Python writes any name as given. Returns false when
// the writer failed.
bool WriteZip(ZipWriter writer, const std::string &path, const std::vector<ZipMember> &members,
              bool deflate);

// Offsets inside a written archive, found by walking its records.
struct ZipLayout
{
    std::vector<size_t> localHeaders;   // one per member, in order
    std::vector<size_t> dataStarts;     // first byte of each member's data
    std::vector<size_t> centralRecords; // one per member, in order
};
ZipLayout ReadZipLayout(const std::string &bytes);

// Little-endian patch of 4 bytes at offset.
void PatchU32(std::string *bytes, size_t offset, uint32_t value);

// Sets fs_basepath (and fs_homepath) to root + "/" the way start-up does, then starts
// the file system. extraSettings are further name/value pairs set before start-up.
void StartFileSystem(const std::string &root,
                     const std::vector<std::pair<std::string, std::string>> &extraSettings = {});
// Shuts the file system down and empties the settings registry.
void StopFileSystem();
