// Sample-rate conversion of a decoded wave with libsoxr.
#include "encoders/resample.h"

#include <soxr.h>

bool Enc_Resample(const EncWave &in, uint32_t rate, EncWave &out, std::string &error)
{
    out = EncWave();
    out.sampleRate = rate;
    out.channels = in.channels;
    if (rate == in.sampleRate || in.Frames() == 0)
    {
        if (rate == in.sampleRate)
            out.samples = in.samples;
        return true;
    }

    uint64_t inFrames = in.Frames();
    uint64_t outFrames = (inFrames * rate + in.sampleRate / 2) / in.sampleRate;
    out.samples.assign(outFrames * in.channels, 0.0f);

    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    size_t inDone = 0, outDone = 0;
    soxr_error_t failure =
        soxr_oneshot(in.sampleRate, rate, in.channels, in.samples.data(), inFrames, &inDone,
                     out.samples.data(), outFrames, &outDone, &io, &quality, &runtime);
    if (failure)
    {
        error = std::string("resampling failed: ") + failure;
        out.samples.clear();
        return false;
    }
    // Frames the filter did not deliver at the very end stay silent.
    return true;
}
