// Reads back a converted file, independently of the tool's wave layer.
#include "tests/support/target_layout.h"

#include "tests/support/riff_builder.h"

TargetLayout ReadTargetLayout(const std::string &bytes)
{
    TargetLayout layout;
    RiffRead riff = ReadRiff(bytes);
    if (riff.form.empty())
        return layout;
    layout.riffSize = ReadLittle(bytes, 4, 4);
    layout.form = riff.form;
    const std::string &fmt = riff.chunks["fmt "], &priv = riff.chunks["PRIV"];
    if (fmt.size() >= 16)
        layout.formatTag = uint16_t(ReadLittle(fmt, 0, 2));
    if (priv.size() >= 24)
    {
        layout.privRate = ReadLittle(priv, 8, 4);
        layout.privChannels = ReadLittle(priv, 12, 4);
        layout.privFrames = ReadLittle(priv, 16, 4);
        layout.privDataSize = ReadLittle(priv, 20, 4);
    }
    layout.dataSize = uint32_t(riff.chunks["data"].size());
    return layout;
}
