// sox.exe: resamples a wave file to a given rate and writes it as 16-bit PCM.
//   sox.exe INPUT -r RATE OUTPUT resample
#include "encoders/cli.h"
#include "encoders/out_file.h"
#include "encoders/resample.h"
#include "encoders/wave_io.h"

#include <cstring>

namespace
{

const char kProgram[] = "sox.exe";
const char kUsage[] = "sox.exe INPUT -r RATE OUTPUT resample";

} // namespace

int main(int argc, char **argv)
{
    long rate = 0;
    if (argc != 6 || std::strcmp(argv[2], "-r") != 0 || std::strcmp(argv[5], "resample") != 0 ||
        !Enc_ParseNumber(argv[3], 1000, 768000, rate))
        return Enc_Usage(kUsage);

    std::string input = Enc_NativePath(argv[1]);
    std::string output = Enc_NativePath(argv[4]);
    std::string error;
    EncWave source;
    if (!Enc_ReadWaveFile(input, source, error))
        return Enc_Fail(kProgram, input + ": " + error);

    EncWave resampled;
    if (!Enc_Resample(source, uint32_t(rate), resampled, error))
        return Enc_Fail(kProgram, input + ": " + error);

    EncBytes image = Enc_BuildPcm16Wave(resampled.sampleRate, resampled.channels,
                                        Enc_ToPcm16(resampled.samples));
    if (!Enc_WriteFileWhole(output, image, error))
        return Enc_Fail(kProgram, error);
    return 0;
}
