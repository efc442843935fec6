// Reading back a converted file: its form and format tag, its data size and what its PRIV
// chunk says (zeros for what is missing).
#pragma once

#include <cstdint>
#include <string>

struct TargetLayout
{
    std::string form; // "WAVE" or "XWMA"
    uint32_t riffSize = 0;
    uint16_t formatTag = 0;
    uint32_t privRate = 0, privChannels = 0, privFrames = 0, privDataSize = 0;
    uint32_t dataSize = 0;
};

TargetLayout ReadTargetLayout(const std::string &bytes);
