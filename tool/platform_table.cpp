// The platform table: one platform, "pc", converted by the encoder of the convert layer.
#include "tool/platform_table.h"

#include "convert/encoder_pc.h"

const PlatformInfo platformTable[PLATFORM_COUNT] = {
    {"pc", "", "PC", ".wav", ".pc.wav", "raw", "raw", "devraw", "devraw", "", "Auralith.hst", 0, 0,
     42, Tool_EncodeSoundPC},
};
