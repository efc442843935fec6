// WMAEncode.exe: encodes a wave file as Windows Media Audio v2 in an XWMA file.
//   WMAEncode.exe -b BITRATE INPUT OUTPUT
#include "encoders/cli.h"
#include "encoders/out_file.h"
#include "encoders/wave_io.h"
#include "encoders/wma.h"

extern "C"
{
#include <libavutil/log.h>
}

#include <cstring>

namespace
{

const char kProgram[] = "WMAEncode.exe";
const char kUsage[] = "WMAEncode.exe -b BITRATE INPUT OUTPUT";

} // namespace

int main(int argc, char **argv)
{
    long bitRate = 0;
    if (argc != 5 || std::strcmp(argv[1], "-b") != 0 ||
        !Enc_ParseNumber(argv[2], 8000, 640000, bitRate))
        return Enc_Usage(kUsage);
    // A failure is said once, in the program's own words, on one line.
    av_log_set_level(AV_LOG_QUIET);

    std::string input = Enc_NativePath(argv[3]);
    std::string output = Enc_NativePath(argv[4]);
    std::string error;
    EncWave source;
    if (!Enc_ReadWaveFile(input, source, error))
        return Enc_Fail(kProgram, input + ": " + error);

    EncBytes image;
    if (!Enc_BuildXwma(source, bitRate, image, error))
        return Enc_Fail(kProgram, input + ": " + error);
    if (!Enc_WriteFileWhole(output, image, error))
        return Enc_Fail(kProgram, error);
    return 0;
}
