// Reading back a converted file: where its chunks lie and what its PRIV chunk says.
#pragma once

#include <cstdint>
#include <string>

struct TargetLayout
{
    bool valid = false; // a RIFF image whose chunks lie within the file
    std::string form;   // "WAVE" or "XWMA"
    uint32_t riffSize = 0;
    uint16_t formatTag = 0;
    size_t formatEnd = 0;  // offset just behind the "fmt " chunk
    size_t privOffset = 0; // offset of the "PRIV" chunk header, 0 when missing
    uint32_t privSize = 0; // its payload size
    uint32_t privRate = 0, privChannels = 0, privFrames = 0, privDataSize = 0;
    size_t dataOffset = 0; // offset of the "data" chunk header
    uint32_t dataSize = 0;
    size_t dataEnd = 0; // offset just behind the data chunk and its pad byte
};

TargetLayout ReadTargetLayout(const std::string &bytes);
