// Sample-rate conversion of a decoded wave with libsoxr.
#pragma once

#include "encoders/wave_io.h"

#include <string>

// Resamples in to rate with libsoxr's high-quality linear-phase filter, single-threaded so
// that the same input always gives the same samples. The result keeps the channel count,
// is aligned with the input (the filter delay is removed) and holds exactly
// round(frames * rate / in.sampleRate) frames. A rate equal to the input's copies the
// samples. Answers false with the reason in error when libsoxr refuses the conversion.
bool Enc_Resample(const EncWave &in, uint32_t rate, EncWave &out, std::string &error);
