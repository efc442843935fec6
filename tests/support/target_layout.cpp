// Reads back the layout of a converted file, independently of the tool's wave layer.
#include "tests/support/target_layout.h"

namespace
{
uint32_t U32(const std::string &s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
           uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
uint16_t U16(const std::string &s, size_t at)
{
    return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
}
} // namespace

TargetLayout ReadTargetLayout(const std::string &bytes)
{
    TargetLayout layout;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return layout;
    layout.riffSize = U32(bytes, 4);
    layout.form = bytes.substr(8, 4);
    size_t at = 12;
    while (at + 8 <= bytes.size())
    {
        std::string code = bytes.substr(at, 4);
        uint32_t size = U32(bytes, at + 4);
        size_t next = at + 8 + size + (size & 1);
        if (next > bytes.size() + (size & 1))
            return layout;
        if (code == "fmt " && size >= 16)
        {
            layout.formatTag = U16(bytes, at + 8);
            layout.formatEnd = next;
        }
        else if (code == "PRIV" && size >= 24)
        {
            layout.privOffset = at;
            layout.privSize = size;
            layout.privMagic = bytes.substr(at + 8, 4);
            layout.privRate = U32(bytes, at + 16);
            layout.privChannels = U32(bytes, at + 20);
            layout.privFrames = U32(bytes, at + 24);
            layout.privDataSize = U32(bytes, at + 28);
        }
        else if (code == "data")
        {
            layout.dataOffset = at;
            layout.dataSize = size;
            layout.dataEnd = next;
        }
        at = next;
    }
    layout.valid = layout.formatEnd != 0 && layout.dataOffset != 0;
    return layout;
}
