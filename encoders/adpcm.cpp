// The Microsoft ADPCM encoder behind AdpcmEncode.exe: block coding and the RIFF image.
//
// A block starts with, per channel, the coefficient index, the step size and the two first
// samples (newest first); then 4-bit codes follow, one per sample and channel, high nibble
// first. A decoder predicts each sample as (s1 * c1 + s2 * c2) / 256 from the two previous
// outputs, adds code * step, and scales the step by the adaptation table.
#include "encoders/adpcm.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{

const int kCoef1[7] = {256, 512, 0, 192, 240, 460, 392};
const int kCoef2[7] = {0, -256, 0, 64, 0, -208, -232};
constexpr int kMinStep = 16;
constexpr int kHeaderBytesPerChannel = 7;
constexpr int kStepEstimateSamples = 4;

// The seven coefficient pairs are coded side by side in eight 32-bit lanes (the eighth
// idles), so that trying every pair costs little more than coding one. Which pair codes a
// block best cannot be told from the source alone: the pairs that predict it best are the
// ones whose coding breaks down at sudden attacks, while the step lags behind.
constexpr int kLanes = 8;

// Block channels coded together: each sample depends on the one before, so independent
// blocks interleaved keep the processor busy while each waits on its previous sample.
constexpr int kJobs = 4;

// The starting step for the pair: a quarter of the mean prediction residual of the first
// samples, so that their codes sit in the middle of the range. A step too small costs a few
// samples (it grows up to threefold per sample), one too large many (it shrinks by a tenth
// per sample).
int StartStep(const int *x, int count, int coef)
{
    int end = std::min(count, 2 + kStepEstimateSamples);
    long sum = 0;
    for (int n = 2; n < end; ++n)
        sum += std::abs(x[n] - (x[n - 1] * kCoef1[coef] + x[n - 2] * kCoef2[coef]) / 256);
    long estimate = end > 2 ? sum / (4 * (end - 2)) : kMinStep;
    return int(std::clamp(estimate, long(kMinStep), 32767L));
}

// One channel of one block: its samples and, once coded, the codes and squared error of
// every pair.
struct BlockChannel
{
    unsigned char *block = nullptr;
    int ch = 0;
    std::vector<int> x;         // the block's samples of this channel
    int steps[7] = {};          // starting step of each pair
    std::vector<int32_t> codes; // codes[(n - 2) * 8 + lane]: code of sample n in the lane
    float errors[kLanes] = {};  // squared error of each lane's decoded samples
};

// Width lanes of 32-bit integers and of floats.
template <int Width> struct Vec
{
    typedef int32_t Int __attribute__((vector_size(4 * Width)));
    typedef uint32_t UInt __attribute__((vector_size(4 * Width)));
    typedef float Float __attribute__((vector_size(4 * Width)));
};

// What a decoder holds while decoding one block channel, for Width lanes.
template <int Width> struct LaneState
{
    typename Vec<Width>::Int s1, s2, step;
    typename Vec<Width>::Float error;
};

// Codes sample x in every lane with the lane's pair (c1, c2), exactly as a decoder would
// decode the codes, and stores the lanes' codes at codes.
template <int Width>
__attribute__((always_inline)) inline void
CodeSample(LaneState<Width> &lanes, const typename Vec<Width>::Int &c1,
           const typename Vec<Width>::Int &c2, int x, int32_t *codes)
{
    typedef typename Vec<Width>::Int Int;
    typedef typename Vec<Width>::UInt UInt;
    typedef typename Vec<Width>::Float Float;
    Int sum = lanes.s1 * c1 + lanes.s2 * c2;
    Int predicted = (sum + Int(UInt(sum >> 31) >> 24)) >> 8; // sum / 256, toward zero
    Int diff = x - predicted;

    // The code: diff / step rounded to nearest, within [-8, 7].
    Int step = lanes.step;
    Int negative = diff >> 31;
    Int a = ((diff ^ negative) - negative) + (step >> 1);
    Int magnitude = {}, m;
    m = a >= (step << 2);
    magnitude += m & 4;
    a -= m & (step << 2);
    m = a >= (step << 1);
    magnitude += m & 2;
    a -= m & (step << 1);
    m = a >= step;
    magnitude += m & 1;
    a -= m & step;
    magnitude += (a >= step) & 1;
    magnitude += (magnitude == 8) & ~negative; // +8 is out of range: 7
    Int code = (magnitude ^ negative) - negative;

    Int out = predicted + code * step;
    out = out > 32767 ? 32767 : out;
    out = out < -32768 ? -32768 : out;
    Float e = __builtin_convertvector(x - out, Float);
    lanes.error += e * e;
    lanes.s2 = lanes.s1;
    lanes.s1 = out;

    // The adaptation table by code magnitude: 230 up to 3, then 307, 409, 512, 614, 768.
    Int factor = (205 * magnitude - 206) >> 1;
    factor = factor < 230 ? 230 : factor;
    factor += (magnitude == 8) & 51;
    // Decoders also cap the step at INT_MAX / 768, which no step here comes near: it grows
    // only while |diff| >= 3.5 * step, and |diff| stays below 2^17.
    step = (factor * step) >> 8;
    lanes.step = step < kMinStep ? kMinStep : step;

    Int nibble = code & 15;
    std::memcpy(codes, &nibble, sizeof nibble);
}

// Codes samples [2, count) of jobs[0..jobCount) (at most kJobs) with every pair, from their
// starting steps, filling their codes and errors.
template <int Width>
__attribute__((always_inline)) inline void CodeAllPairsIn(BlockChannel *const *jobs, int jobCount,
                                                          int count)
{
    constexpr int kVectors = kLanes / Width;
    typename Vec<Width>::Int c1[kVectors] = {}, c2[kVectors] = {};
    for (int lane = 0; lane < 7; ++lane)
    {
        c1[lane / Width][lane % Width] = kCoef1[lane];
        c2[lane / Width][lane % Width] = kCoef2[lane];
    }
    LaneState<Width> lanes[kJobs][kVectors] = {};
    const int *x[kJobs] = {};
    int32_t *codes[kJobs] = {};
    for (int j = 0; j < jobCount; ++j)
    {
        x[j] = jobs[j]->x.data();
        codes[j] = jobs[j]->codes.data();
        for (int lane = 0; lane < kLanes; ++lane)
        {
            LaneState<Width> &state = lanes[j][lane / Width];
            state.s1[lane % Width] = x[j][1];
            state.s2[lane % Width] = x[j][0];
            state.step[lane % Width] = lane < 7 ? jobs[j]->steps[lane] : kMinStep;
        }
    }
    for (int n = 2; n < count; ++n)
        for (int v = 0; v < kVectors; ++v)
        {
            const size_t at = size_t(n - 2) * kLanes + v * Width;
#pragma GCC unroll kJobs
            for (int j = 0; j < kJobs; ++j)
                if (j < jobCount)
                    CodeSample(lanes[j][v], c1[v], c2[v], x[j][n], codes[j] + at);
        }
    for (int j = 0; j < jobCount; ++j)
        for (int lane = 0; lane < kLanes; ++lane)
            jobs[j]->errors[lane] = lanes[j][lane / Width].error[lane % Width];
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(ENC_ADPCM_PORTABLE_ONLY)
__attribute__((target("avx2"))) void CodeAllPairsAvx2(BlockChannel *const *jobs, int jobCount,
                                                      int count)
{
    CodeAllPairsIn<8>(jobs, jobCount, count);
}
#endif

// CodeAllPairsIn in the widest vectors this processor has; every width gives the same
// numbers. ENC_ADPCM_PORTABLE_ONLY leaves the AVX2 variant out, for the test that compares
// the two.
void CodeAllPairs(BlockChannel *const *jobs, int jobCount, int count)
{
#if defined(__x86_64__) && defined(__GNUC__) && !defined(ENC_ADPCM_PORTABLE_ONLY)
    if (__builtin_cpu_supports("avx2"))
        return CodeAllPairsAvx2(jobs, jobCount, count);
#endif
    CodeAllPairsIn<4>(jobs, jobCount, count);
}

// Writes the job's header fields and its codes in the pair with the least squared error
// (the first of equals), as nibbles in the interleaved order of the format.
void WriteBlockChannel(const BlockChannel &job, int count, int channels)
{
    int best = 0;
    for (int c = 1; c < 7; ++c)
        if (job.errors[c] < job.errors[best])
            best = c;

    unsigned char *block = job.block;
    const int ch = job.ch;
    block[ch] = uint8_t(best);
    unsigned char *step = block + channels + 2 * ch;
    unsigned char *newer = block + 3 * channels + 2 * ch;
    unsigned char *older = block + 5 * channels + 2 * ch;
    step[0] = uint8_t(job.steps[best]), step[1] = uint8_t(job.steps[best] >> 8);
    newer[0] = uint8_t(job.x[1]), newer[1] = uint8_t(job.x[1] >> 8);
    older[0] = uint8_t(job.x[0]), older[1] = uint8_t(job.x[0] >> 8);

    // Mono blocks hold an even number of codes; stereo ones a byte per sample.
    unsigned char *body = block + kHeaderBytesPerChannel * channels;
    const int32_t *codes = job.codes.data() + best;
    if (channels == 1)
        for (int n = 0; n + 2 < count; n += 2)
            body[n >> 1] = uint8_t(codes[n * kLanes] << 4 | codes[(n + 1) * kLanes]);
    else
        for (int n = 0; n + 2 < count; ++n)
            body[n] |= uint8_t(codes[n * kLanes] << (ch == 0 ? 4 : 0));
}

// The number of blocks pcm fills, the last one perhaps in part.
size_t BlocksOf(const std::vector<int16_t> &pcm, int channels, int blockAlign)
{
    const size_t perBlock = Enc_AdpcmSamplesPerBlock(blockAlign, channels);
    return (pcm.size() / channels + perBlock - 1) / perBlock;
}

// Codes pcm into the zeroed blocks at out: block channels in file order (block by block,
// channel by channel), kJobs at a time.
void EncodeBlocksInto(const std::vector<int16_t> &pcm, int channels, int blockAlign,
                      unsigned char *out)
{
    const int perBlock = int(Enc_AdpcmSamplesPerBlock(blockAlign, channels));
    const size_t frames = pcm.size() / channels;
    const size_t jobCount = BlocksOf(pcm, channels, blockAlign) * channels;
    BlockChannel jobs[kJobs];
    BlockChannel *group[kJobs];
    for (int j = 0; j < kJobs; ++j)
    {
        jobs[j].x.resize(perBlock);
        jobs[j].codes.resize(size_t(perBlock) * kLanes);
        group[j] = &jobs[j];
    }
    for (size_t next = 0; next < jobCount; next += kJobs)
    {
        const int taken = int(std::min<size_t>(kJobs, jobCount - next));
        for (int j = 0; j < taken; ++j)
        {
            BlockChannel &job = jobs[j];
            const size_t b = (next + j) / channels;
            job.ch = int((next + j) % channels);
            job.block = out + b * blockAlign;
            const size_t firstFrame = b * perBlock;
            const int present = int(std::min(frames - firstFrame, size_t(perBlock)));
            const int16_t *source = pcm.data() + firstFrame * channels + job.ch;
            for (int n = 0; n < present; ++n)
                job.x[n] = source[size_t(n) * channels];
            std::fill(job.x.begin() + present, job.x.end(), job.x[present - 1]);
            for (int c = 0; c < 7; ++c)
                job.steps[c] = StartStep(job.x.data(), perBlock, c);
        }
        CodeAllPairs(group, taken, perBlock);
        for (int j = 0; j < taken; ++j)
            WriteBlockChannel(jobs[j], perBlock, channels);
    }
}

} // namespace

uint32_t Enc_AdpcmSamplesPerBlock(uint32_t blockAlign, uint32_t channels)
{
    if (channels == 0 || blockAlign <= kHeaderBytesPerChannel * channels)
        return 0;
    uint32_t count = (blockAlign - kHeaderBytesPerChannel * channels) * 8 / (4 * channels) + 2;
    return count > 65535 ? 0 : count;
}

EncBytes Enc_AdpcmEncodeBlocks(const std::vector<int16_t> &pcm, uint16_t channels,
                               uint16_t blockAlign)
{
    EncBytes out(BlocksOf(pcm, channels, blockAlign) * blockAlign);
    EncodeBlocksInto(pcm, channels, blockAlign, out.data());
    return out;
}

bool Enc_BuildAdpcmWave(const std::vector<int16_t> &pcm, uint32_t sampleRate, uint16_t channels,
                        uint16_t blockAlign, EncBytes &image, std::string &error)
{
    if (channels < 1 || channels > 2)
    {
        error = "ADPCM takes 1 or 2 channels, the input has " + std::to_string(channels);
        return false;
    }
    uint32_t perBlock = Enc_AdpcmSamplesPerBlock(blockAlign, channels);
    if (perBlock == 0)
    {
        error = "block size " + std::to_string(blockAlign) + " does not fit " +
                std::to_string(channels) + " channel(s)";
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
    for (int i = 0; i < 7; ++i)
    {
        Enc_PutU16(fmt, uint16_t(int16_t(kCoef1[i])));
        Enc_PutU16(fmt, uint16_t(int16_t(kCoef2[i])));
    }

    EncBytes fact;
    Enc_PutU32(fact, uint32_t(pcm.size() / channels));

    image = Enc_BeginRiff("WAVE");
    Enc_PutChunk(image, "fmt ", fmt);
    Enc_PutChunk(image, "fact", fact);
    const size_t dataSize = BlocksOf(pcm, channels, blockAlign) * blockAlign;
    image.insert(image.end(), {'d', 'a', 't', 'a'});
    Enc_PutU32(image, uint32_t(dataSize));
    const size_t dataAt = image.size();
    image.resize(dataAt + dataSize + (dataSize & 1));
    EncodeBlocksInto(pcm, channels, blockAlign, image.data() + dataAt);
    Enc_FinishRiff(image);
    return true;
}
