// Deterministic test signals for the encoder tests, and wave files of them in any format
// libsndfile writes (8/16/24/32-bit PCM, float, double, WAVE_FORMAT_EXTENSIBLE).
#include "encoders/testing_signals.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace
{

const double kPi = 3.14159265358979323846;

double Fade(double t, double seconds, double fade)
{
    if (t < 0 || t > seconds)
        return 0.0;
    double edge = std::min(t, seconds - t);
    if (fade <= 0 || edge >= fade)
        return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * edge / fade);
}

// A small deterministic generator (LCG) giving uniform values in [-1, 1).
struct Noise
{
    uint32_t state;
    double Next()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 23) - 1.0;
    }
};

// Two-pole resonator at freq Hz with the given bandwidth.
struct Resonator
{
    double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
    Resonator(double freq, double bandwidth, double rate)
    {
        double r = std::exp(-kPi * bandwidth / rate);
        a1 = 2 * r * std::cos(2 * kPi * freq / rate);
        a2 = -r * r;
        gain = 1 - r;
    }
    double Run(double x)
    {
        double y = gain * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

void Normalize(std::vector<float> &samples, double peak)
{
    double top = 0;
    for (float v : samples)
        top = std::max(top, double(std::fabs(v)));
    if (top > 0)
        for (float &v : samples)
            v = float(v * peak / top);
}

} // namespace

double TestTone::At(int channel, double t) const
{
    return amplitude * Fade(t, seconds, fadeSeconds) *
           std::sin(2 * kPi * freqHz * (1 + channel / 2.0) * t);
}

TestSignal TestTone::Sample(uint32_t rate, int channels) const
{
    TestSignal s{rate, channels, {}};
    size_t frames = size_t(std::llround(seconds * rate));
    s.samples.resize(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.samples[i * channels + c] = float(At(c, double(i) / rate));
    return s;
}

TestSignal Test_SpeechLike(uint32_t rate, int channels, double seconds, uint32_t seed)
{
    TestSignal s{rate, channels, {}};
    size_t frames = size_t(std::llround(seconds * rate));
    s.samples.assign(frames * channels, 0.0f);
    Noise noise{seed};
    for (int c = 0; c < channels; ++c)
    {
        double t0 = 0.02 + 0.03 * c;
        while (t0 < seconds)
        {
            double length = 0.12 + 0.12 * (noise.Next() + 1);
            double pitch = 110 + 60 * (noise.Next() + 1);
            double voiced = noise.Next() > -0.6 ? 1.0 : 0.15;
            Resonator f1(500 + 300 * noise.Next(), 90, rate),
                f2(1500 + 600 * noise.Next(), 140, rate);
            double phase = 0;
            size_t begin = size_t(t0 * rate), end = std::min(frames, size_t((t0 + length) * rate));
            for (size_t i = begin; i < end; ++i)
            {
                double u = double(i - begin) / double(end - begin);
                double envelope = std::min(1.0, u * 12) * std::exp(-3.5 * u) * std::sin(kPi * u);
                phase += pitch * (1 + 0.1 * std::sin(2 * kPi * 3 * u)) / rate;
                double pulse = 0;
                if (phase >= 1)
                {
                    phase -= 1;
                    pulse = 1;
                }
                double source = voiced * pulse * 8 + (1.2 - voiced) * noise.Next() * 0.5;
                double v = f1.Run(source) + 0.6 * f2.Run(source);
                s.samples[i * channels + c] += float(envelope * v);
            }
            t0 += length + 0.03 + 0.08 * (noise.Next() + 1);
        }
    }
    Normalize(s.samples, 0.5);
    return s;
}

std::vector<int16_t> Test_ToPcm16(const std::vector<float> &samples)
{
    std::vector<int16_t> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        pcm[i] = int16_t(std::clamp(std::lround(samples[i] * 32768.0), -32768L, 32767L));
    return pcm;
}

bool Test_WriteWave(const std::string &path, const TestSignal &signal, int format)
{
    SF_INFO info = {};
    info.samplerate = int(signal.rate);
    info.channels = signal.channels;
    info.format = format;
    SNDFILE *file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_count_t frames = sf_count_t(signal.Frames());
    sf_count_t written;
    int sub = format & SF_FORMAT_SUBMASK;
    if (sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_U8)
    {
        std::vector<int16_t> pcm = Test_ToPcm16(signal.samples);
        written = sf_writef_short(file, pcm.data(), frames);
    }
    else
    {
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        written = sf_writef_float(file, signal.samples.data(), frames);
    }
    return sf_close(file) == 0 && written == frames;
}
