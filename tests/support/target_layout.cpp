// Reads back the layout of a converted file, independently of the tool's wave layer.
#include "tests/support/target_layout.h"

#include "tests/support/riff_builder.h"

TargetLayout ReadTargetLayout(const std::string &bytes)
{
    TargetLayout layout;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return layout;
    layout.riffSize = ReadLittle(bytes, 4, 4);
    layout.form = bytes.substr(8, 4);
    size_t at = 12;
    while (at + 8 <= bytes.size())
    {
        std::string code = bytes.substr(at, 4);
        uint32_t size = ReadLittle(bytes, at + 4, 4);
        size_t next = at + 8 + size + (size & 1);
        if (next > bytes.size() + (size & 1))
            return layout;
        if (code == "fmt " && size >= 16)
        {
            layout.formatTag = uint16_t(ReadLittle(bytes, at + 8, 2));
            layout.formatEnd = next;
        }
        else if (code == "PRIV" && size >= 24)
        {
            layout.privOffset = at;
            layout.privSize = size;
            layout.privMagic = bytes.substr(at + 8, 4);
            layout.privRate = ReadLittle(bytes, at + 16, 4);
            layout.privChannels = ReadLittle(bytes, at + 20, 4);
            layout.privFrames = ReadLittle(bytes, at + 24, 4);
            layout.privDataSize = ReadLittle(bytes, at + 28, 4);
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
