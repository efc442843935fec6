// The Microsoft ADPCM encoder behind AdpcmEncode.exe: block coding and the RIFF image.
//
// A block starts with, per channel, the coefficient index, the step size and the two first
// samples (newest first); then 4-bit codes follow, one per sample and channel, high nibble
// first. A decoder predicts each sample as (s1 * c1 + s2 * c2) / 256 from the two previous
// outputs, adds code * step, and scales the step by the adaptation table.
#include "encoders/adpcm.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

const int kCoef1[7] = {256, 512, 0, 192, 240, 460, 392};
const int kCoef2[7] = {0, -256, 0, 64, 0, -208, -232};
const int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                             768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kMinStep = 16;
constexpr int kMaxStep = INT_MAX / 768;
constexpr int kHeaderBytesPerChannel = 7;

// The starting step only matters until the step has adapted, so its candidates (in quarters
// of an estimate) are compared over the first samples of the block.
const int kStepQuarters[] = {2, 3, 4, 6, 8};
constexpr int kStepTrialSamples = 18;

inline int ClampStep(long v) { return int(v < kMinStep ? kMinStep : v > 32767 ? 32767 : v); }

// The code for diff at this step: diff / step rounded to nearest, within [-8, 7].
inline int Quantize(int diff, int step)
{
    int a = (diff < 0 ? -diff : diff) + step / 2;
    int q = 0;
    if (a >= 4 * step) {
        q = 4;
        a -= 4 * step;
    }
    if (a >= 2 * step) {
        q += 2;
        a -= 2 * step;
    }
    if (a >= step) {
        q += 1;
        a -= step;
    }
    if (a >= step)
        q += 1;
    return diff < 0 ? -q : std::min(q, 7);
}

// The decoder's state for one channel, mirrored while coding.
struct Coder
{
    int c1, c2;  // coefficient pair
    int s1, s2;  // last and second-last output
    int step;
    long long error = 0;  // squared error so far

    Coder(int coef, int startStep, const int *x)
        : c1(kCoef1[coef]), c2(kCoef2[coef]), s1(x[1]), s2(x[0]), step(startStep)
    {
    }

    // Codes sample x, advances the state as a decoder would, and gives the 4-bit code.
    int Code(int x)
    {
        int predicted = (s1 * c1 + s2 * c2) / 256;
        int q = Quantize(x - predicted, step);
        int out = predicted + q * step;
        out = out < -32768 ? -32768 : out > 32767 ? 32767 : out;
        long long e = x - out;
        error += e * e;
        s2 = s1;
        s1 = out;
        int next = (kAdaptation[q & 15] * step) >> 8;
        step = next < kMinStep ? kMinStep : next > kMaxStep ? kMaxStep : next;
        return q & 15;
    }
};

// Codes x[2..count) with the coefficient pair and starting step into codes. Answers the
// squared error, or limit as soon as the error reaches limit (codes then incomplete).
long long CodeChannel(const int *x, int count, int coef, int step, long long limit, uint8_t *codes)
{
    Coder coder(coef, step, x);
    for (int n = 2; n < count; ++n) {
        codes[n - 2] = uint8_t(coder.Code(x[n]));
        if (coder.error >= limit)
            return limit;
    }
    return coder.error;
}

// The starting step for the coefficient pair: candidates around the size of the first
// prediction residuals of the source, the one coding the first samples best.
int ChooseStep(const int *x, int count, int coef)
{
    int n = std::min(count, 6);
    long sum = 0;
    for (int i = 2; i < n; ++i)
        sum += std::abs(x[i] - (x[i - 1] * kCoef1[coef] + x[i - 2] * kCoef2[coef]) / 256);
    long estimate = n > 2 ? sum / (2 * (n - 2)) : kMinStep;

    int end = std::min(count, kStepTrialSamples);
    int best = ClampStep(estimate);
    long long bestError = LLONG_MAX;
    for (int quarters : kStepQuarters) {
        int step = ClampStep(estimate * quarters / 4);
        Coder coder(coef, step, x);
        for (int i = 2; i < end; ++i)
            coder.Code(x[i]);
        if (coder.error < bestError) {
            bestError = coder.error;
            best = step;
        }
    }
    return best;
}

// Orders the seven coefficient pairs by how well they predict the source itself, best
// first, so that the coding trials meet a low bound early and stop the others short.
void OrderCoefficients(const int *x, int count, int order[7])
{
    long long residual[7] = {};
    for (int n = 2; n < count; ++n)
        for (int c = 0; c < 7; ++c) {
            long long r = x[n] - (x[n - 1] * kCoef1[c] + x[n - 2] * kCoef2[c]) / 256;
            residual[c] += r * r;
        }
    for (int c = 0; c < 7; ++c)
        order[c] = c;
    std::stable_sort(order, order + 7, [&](int a, int b) { return residual[a] < residual[b]; });
}

struct ChannelPlan
{
    int coef = 0;
    int step = kMinStep;
};

// Codes every coefficient pair (each from its best starting step) and keeps the one with
// the least squared error; its codes end up in codes.
ChannelPlan CodeBlockChannel(const int *x, int count, std::vector<uint8_t> &codes, std::vector<uint8_t> &scratch)
{
    int order[7];
    OrderCoefficients(x, count, order);
    ChannelPlan best;
    long long bestError = LLONG_MAX;
    for (int coef : order) {
        int step = ChooseStep(x, count, coef);
        long long error = CodeChannel(x, count, coef, step, bestError, scratch.data());
        if (error < bestError) {
            bestError = error;
            best = {coef, step};
            codes.swap(scratch);
        }
    }
    return best;
}

}  // namespace

uint32_t Enc_AdpcmSamplesPerBlock(uint32_t blockAlign, uint32_t channels)
{
    if (channels == 0 || blockAlign <= kHeaderBytesPerChannel * channels)
        return 0;
    uint32_t count = (blockAlign - kHeaderBytesPerChannel * channels) * 8 / (4 * channels) + 2;
    return count > 65535 ? 0 : count;
}

EncBytes Enc_AdpcmEncodeBlocks(const std::vector<int16_t> &pcm, uint16_t channels, uint16_t blockAlign)
{
    const int perBlock = int(Enc_AdpcmSamplesPerBlock(blockAlign, channels));
    const size_t frames = pcm.size() / channels;
    const size_t blocks = (frames + perBlock - 1) / perBlock;
    EncBytes out(blocks * blockAlign, 0);

    std::vector<int> x(perBlock);
    std::vector<uint8_t> codes[2] = {std::vector<uint8_t>(perBlock), std::vector<uint8_t>(perBlock)};
    std::vector<uint8_t> scratch(perBlock);
    for (size_t b = 0; b < blocks; ++b) {
        unsigned char *block = out.data() + b * blockAlign;
        for (int ch = 0; ch < channels; ++ch) {
            for (int n = 0; n < perBlock; ++n) {
                size_t frame = std::min(b * perBlock + n, frames - 1);
                x[n] = pcm[frame * channels + ch];
            }
            ChannelPlan plan = CodeBlockChannel(x.data(), perBlock, codes[ch], scratch);

            block[ch] = uint8_t(plan.coef);
            unsigned char *step = block + channels + 2 * ch;
            unsigned char *newer = block + 3 * channels + 2 * ch;
            unsigned char *older = block + 5 * channels + 2 * ch;
            step[0] = uint8_t(plan.step), step[1] = uint8_t(plan.step >> 8);
            newer[0] = uint8_t(x[1]), newer[1] = uint8_t(x[1] >> 8);
            older[0] = uint8_t(x[0]), older[1] = uint8_t(x[0] >> 8);
        }
        unsigned char *body = block + kHeaderBytesPerChannel * channels;
        int nibbles = (perBlock - 2) * channels;
        for (int i = 0; i < nibbles; ++i) {
            uint8_t code = codes[i % channels][i / channels];
            if (i & 1)
                body[i / 2] |= code;
            else
                body[i / 2] = uint8_t(code << 4);
        }
    }
    return out;
}

bool Enc_BuildAdpcmWave(const std::vector<int16_t> &pcm, uint32_t sampleRate, uint16_t channels,
                        uint16_t blockAlign, EncBytes &image, std::string &error)
{
    if (channels < 1 || channels > 2) {
        error = "ADPCM takes 1 or 2 channels, the input has " + std::to_string(channels);
        return false;
    }
    uint32_t perBlock = Enc_AdpcmSamplesPerBlock(blockAlign, channels);
    if (perBlock == 0) {
        error = "block size " + std::to_string(blockAlign) + " does not fit " + std::to_string(channels) +
                " channel(s)";
        return false;
    }

    EncBytes fmt;
    Enc_PutU16(fmt, 2);
    Enc_PutU16(fmt, channels);
    Enc_PutU32(fmt, sampleRate);
    Enc_PutU32(fmt, uint32_t(uint64_t(sampleRate) * blockAlign / perBlock));
    Enc_PutU16(fmt, blockAlign);
    Enc_PutU16(fmt, 4);
    Enc_PutU16(fmt, 32);
    Enc_PutU16(fmt, uint16_t(perBlock));
    Enc_PutU16(fmt, 7);
    for (int i = 0; i < 7; ++i) {
        Enc_PutU16(fmt, uint16_t(int16_t(kCoef1[i])));
        Enc_PutU16(fmt, uint16_t(int16_t(kCoef2[i])));
    }

    EncBytes fact;
    Enc_PutU32(fact, uint32_t(pcm.size() / channels));

    EncBytes data = Enc_AdpcmEncodeBlocks(pcm, channels, blockAlign);
    image = Enc_BeginRiff("WAVE");
    Enc_PutChunk(image, "fmt ", fmt);
    Enc_PutChunk(image, "fact", fact);
    Enc_PutChunk(image, "data", data);
    Enc_FinishRiff(image);
    return true;
}
