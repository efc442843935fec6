// Deterministic test signals for the encoder tests, and wave files of them in any format
// libsndfile writes (8/16/24/32-bit PCM, float, double, WAVE_FORMAT_EXTENSIBLE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TestSignal
{
    uint32_t rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved, in [-1, 1]

    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

// A sine tone of a continuous time, so that it can be sampled at any rate: channel c plays
// freqHz * (1 + c / 2) at the given amplitude, faded in and out with raised-cosine ramps of
// fadeSeconds at both ends.
struct TestTone
{
    double freqHz = 1000.0;
    double amplitude = 0.5;
    double seconds = 1.0;
    double fadeSeconds = 0.02;

    double At(int channel, double t) const;
    // round(seconds * rate) frames of the tone sampled at rate.
    TestSignal Sample(uint32_t rate, int channels) const;
};

// Speech-like sound: syllables of a voiced pulse train with a wandering pitch through two
// formant resonators, mixed with noise bursts, each under an attack-decay envelope and
// separated by short pauses. Peak about 0.5. The same arguments give the same samples.
TestSignal Test_SpeechLike(uint32_t rate, int channels, double seconds, uint32_t seed = 1);

// Writes signal to path as libsndfile's major|sub format (for example
// SF_FORMAT_WAV | SF_FORMAT_PCM_24). 16-bit and 8-bit integers are written from the samples
// scaled by 32768 and rounded, so that a 16-bit file holds exactly Test_ToPcm16(samples).
// Answers false when libsndfile refuses.
bool Test_WriteWave(const std::string &path, const TestSignal &signal, int format);

// The samples scaled by 32768, rounded and clipped to 16 bits.
std::vector<int16_t> Test_ToPcm16(const std::vector<float> &samples);
