// AdpcmEncode.exe: encodes a wave file as Microsoft ADPCM.
//   AdpcmEncode.exe -b BLOCKALIGN -f 16 INPUT OUTPUT
// -b is the size of one coded block in bytes; -f 16 says the encoder works from 16-bit
// samples, to which any other input format is converted first.
#include "encoders/adpcm.h"
#include "encoders/cli.h"
#include "encoders/out_file.h"
#include "encoders/wave_io.h"

#include <cstring>

namespace
{

const char kProgram[] = "AdpcmEncode.exe";
const char kUsage[] = "AdpcmEncode.exe -b BLOCKALIGN -f 16 INPUT OUTPUT";

} // namespace

int main(int argc, char **argv)
{
    long blockAlign = 0, sampleBits = 0;
    if (argc != 7 || std::strcmp(argv[1], "-b") != 0 || std::strcmp(argv[3], "-f") != 0 ||
        !Enc_ParseNumber(argv[2], 1, 65535, blockAlign) ||
        !Enc_ParseNumber(argv[4], 16, 16, sampleBits))
        return Enc_Usage(kUsage);

    std::string input = Enc_NativePath(argv[5]);
    std::string output = Enc_NativePath(argv[6]);
    std::string error;
    EncWave16 source;
    if (!Enc_ReadWaveFile16(input, source, error))
        return Enc_Fail(kProgram, input + ": " + error);

    EncBytes image;
    if (!Enc_BuildAdpcmWave(source.samples, source.sampleRate, source.channels,
                            uint16_t(blockAlign), image, error))
        return Enc_Fail(kProgram, input + ": " + error);
    if (!Enc_WriteFileWhole(output, image, error))
        return Enc_Fail(kProgram, error);
    return 0;
}
