// Test kits for the file system: zip archives written by two independent writers (the
// Info-ZIP "zip" program and Python's zipfile), byte patches for damaged archives,
// starting the file system on a kit root, and the console's verbose switch.
#pragma once

#include "tests/support/scoped_dir.h"

#include <cstdint>
#include <gtest/gtest.h>
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

// Writes a zip archive at path holding the members in the given order, deflated or
// stored; false when the writer failed. Info-ZIP takes the names from files it is given,
// so its member names must be plain relative paths with "/"; Python writes any name.
bool WriteZip(ZipWriter writer, const std::string &path, const std::vector<ZipMember> &members,
              bool deflate);

// Offsets inside a written archive, found by walking its records; one per member, in order.
struct ZipLayout
{
    std::vector<size_t> localHeaders;
    std::vector<size_t> dataStarts; // first byte of each member's data
    std::vector<size_t> centralRecords;
};
ZipLayout ReadZipLayout(const std::string &bytes);

// Little-endian patch of 4 bytes at offset.
void PatchU32(std::string *bytes, size_t offset, uint32_t value);

// Sets fs_basepath and fs_homepath to root + "/" the way start-up does, and the further
// settings given, then starts the file system.
void StartFileSystem(const std::string &root,
                     const std::vector<std::pair<std::string, std::string>> &extraSettings = {});
// Shuts the file system down and empties the settings registry.
void StopFileSystem();
// Binds the console to a verbose switch of the tests (the layers below the tool's options
// have no option record of their own; the log keeps its default name) and sets it.
void Test_SetVerbose(bool on);

// A kit folder for the file system's tests; the file system is stopped and the verbose
// switch turned off when a test ends.
class FsKitTest : public testing::Test
{
  protected:
    void TearDown() override
    {
        StopFileSystem();
        Test_SetVerbose(false);
    }

    ScopedDir dir;
    std::string kit = dir / "kit";
};
