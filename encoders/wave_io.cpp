// The wave reader and 16-bit wave writer shared by the three encoder programs.
#include "encoders/wave_io.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace
{

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr uint16_t kMaxChannels = 256;

// The tail shared by every KSDATAFORMAT_SUBTYPE GUID after its leading format tag.
const unsigned char kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk
{
    size_t offset = 0; // first payload byte
    size_t size = 0;   // payload bytes present in the image
    bool found = false;
};

float DecodeSample(const unsigned char *p, uint16_t tag, unsigned bytes)
{
    if (tag == kTagFloat)
    {
        if (bytes == 4)
        {
            uint32_t bits = Enc_GetU32(p);
            float v;
            std::memcpy(&v, &bits, 4);
            return std::isfinite(v) ? v : 0.0f;
        }
        uint64_t bits = uint64_t(Enc_GetU32(p)) | (uint64_t(Enc_GetU32(p + 4)) << 32);
        double v;
        std::memcpy(&v, &bits, 8);
        return std::isfinite(v) ? float(v) : 0.0f;
    }
    switch (bytes)
    {
    case 1:
        return (int(p[0]) - 128) / 128.0f;
    case 2:
        return int16_t(Enc_GetU16(p)) / 32768.0f;
    case 3:
    {
        int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        return float(v / 2147483648.0);
    }
    default:
        return float(int32_t(Enc_GetU32(p)) / 2147483648.0);
    }
}

// Where the samples of a wave image lie and how they are stored.
struct SampleLayout
{
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t tag = 0;   // kTagPcm or kTagFloat, behind WAVE_FORMAT_EXTENSIBLE too
    unsigned bytes = 0; // per sample
    size_t frames = 0;  // whole frames present
    const unsigned char *data = nullptr;
};

// Finds and checks the fmt and data chunks of image, as Enc_ParseWave describes.
bool FindSamples(const EncBytes &image, SampleLayout &layout, std::string &error)
{
    if (image.size() < 12 || std::memcmp(image.data(), "RIFF", 4) != 0 ||
        std::memcmp(image.data() + 8, "WAVE", 4) != 0)
    {
        error = "not a RIFF WAVE file";
        return false;
    }
    Chunk fmt, data;
    size_t pos = 12;
    while (image.size() - pos >= 8)
    {
        const unsigned char *head = image.data() + pos;
        size_t size = Enc_GetU32(head + 4);
        size_t present = std::min(size, image.size() - pos - 8);
        Chunk *slot = nullptr;
        if (std::memcmp(head, "fmt ", 4) == 0)
            slot = &fmt;
        else if (std::memcmp(head, "data", 4) == 0)
            slot = &data;
        if (slot && !slot->found)
        {
            slot->offset = pos + 8;
            slot->size = present;
            slot->found = true;
        }
        if (present < size)
            break;
        pos += 8 + size + (size & 1);
        if (pos > image.size())
            break;
    }
    if (!fmt.found || fmt.size < 16)
    {
        error = "no usable fmt chunk";
        return false;
    }
    if (!data.found)
    {
        error = "no data chunk";
        return false;
    }

    const unsigned char *f = image.data() + fmt.offset;
    uint16_t tag = Enc_GetU16(f);
    uint16_t channels = Enc_GetU16(f + 2);
    uint32_t rate = Enc_GetU32(f + 4);
    uint16_t blockAlign = Enc_GetU16(f + 12);
    uint16_t bits = Enc_GetU16(f + 14);
    if (tag == kTagExtensible)
    {
        if (fmt.size < 40 || Enc_GetU16(f + 16) < 22 ||
            std::memcmp(f + 24 + 2, kSubtypeTail, sizeof kSubtypeTail) != 0)
        {
            error = "unsupported WAVE_FORMAT_EXTENSIBLE sub-format";
            return false;
        }
        tag = Enc_GetU16(f + 24);
    }
    if (channels == 0 || rate == 0)
    {
        error = "fmt chunk gives no channels or no sample rate";
        return false;
    }
    if (channels > kMaxChannels)
    {
        error = "more than 256 channels";
        return false;
    }
    unsigned bytes = (bits + 7u) / 8u;
    bool pcmOk = tag == kTagPcm && bytes >= 1 && bytes <= 4;
    bool floatOk = tag == kTagFloat && (bits == 32 || bits == 64);
    if (!pcmOk && !floatOk)
    {
        char text[96];
        std::snprintf(text, sizeof text, "unsupported sample format (tag %u, %u bits)",
                      unsigned(tag), unsigned(bits));
        error = text;
        return false;
    }
    if (blockAlign != bytes * channels)
    {
        error = "fmt block align does not match channels and sample size";
        return false;
    }

    layout.rate = rate;
    layout.channels = channels;
    layout.tag = tag;
    layout.bytes = bytes;
    layout.frames = data.size / blockAlign;
    layout.data = image.data() + data.offset;
    return true;
}

// The 16-bit value of a sample in [-1, 1): scaled by 32768, rounded to nearest, clipped.
inline int16_t Pcm16Of(float sample)
{
    float v = std::nearbyint(sample * 32768.0f);
    return int16_t(v > 32767.0f ? 32767.0f : v < -32768.0f ? -32768.0f : v);
}

// Parses image into wave (EncWave or EncWave16): the format fields here, the samples through
// fill, which gets the layout and the sample vector sized to frames * channels.
template <class Wave, class Fill>
bool ParseInto(const EncBytes &image, Wave &wave, std::string &error, Fill fill)
{
    wave = Wave();
    SampleLayout layout;
    if (!FindSamples(image, layout, error))
        return false;
    wave.sampleRate = layout.rate;
    wave.channels = layout.channels;
    wave.samples.resize(layout.frames * layout.channels);
    fill(layout, wave.samples);
    return true;
}

} // namespace

bool Enc_ParseWave(const EncBytes &image, EncWave &wave, std::string &error)
{
    return ParseInto(image, wave, error,
                     [](const SampleLayout &layout, std::vector<float> &out)
                     {
                         const unsigned char *p = layout.data;
                         for (float &v : out)
                         {
                             v = DecodeSample(p, layout.tag, layout.bytes);
                             p += layout.bytes;
                         }
                     });
}

bool Enc_ParseWave16(const EncBytes &image, EncWave16 &wave, std::string &error)
{
    return ParseInto(image, wave, error,
                     [](const SampleLayout &layout, std::vector<int16_t> &out)
                     {
                         const unsigned char *p = layout.data;
                         const bool pcm16 = layout.tag == kTagPcm && layout.bytes == 2;
                         for (int16_t &v : out)
                         {
                             v = pcm16 ? int16_t(Enc_GetU16(p))
                                       : Pcm16Of(DecodeSample(p, layout.tag, layout.bytes));
                             p += layout.bytes;
                         }
                     });
}

namespace
{

// Reads the whole regular file at path into image in one piece.
bool ReadImage(const std::string &path, EncBytes &image, std::string &error)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct stat info;
    bool ok = ::fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    if (!ok)
        error = "not a regular file";
    else
    {
        image.resize(size_t(info.st_size));
        ok = std::fread(image.data(), 1, image.size(), file) == image.size();
        if (!ok)
            error = "read error";
    }
    std::fclose(file);
    return ok;
}

} // namespace

bool Enc_ReadWaveFile(const std::string &path, EncWave &wave, std::string &error)
{
    EncBytes image;
    return ReadImage(path, image, error) && Enc_ParseWave(image, wave, error);
}

bool Enc_ReadWaveFile16(const std::string &path, EncWave16 &wave, std::string &error)
{
    EncBytes image;
    return ReadImage(path, image, error) && Enc_ParseWave16(image, wave, error);
}

std::vector<int16_t> Enc_ToPcm16(const std::vector<float> &samples)
{
    std::vector<int16_t> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        pcm[i] = Pcm16Of(samples[i]);
    return pcm;
}

EncBytes Enc_BuildPcm16Wave(uint32_t sampleRate, uint16_t channels, const std::vector<int16_t> &pcm)
{
    EncBytes fmt;
    Enc_PutU16(fmt, 1);
    Enc_PutU16(fmt, channels);
    Enc_PutU32(fmt, sampleRate);
    Enc_PutU32(fmt, sampleRate * 2u * channels);
    Enc_PutU16(fmt, uint16_t(2 * channels));
    Enc_PutU16(fmt, 16);

    EncBytes data(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
    {
        data[2 * i] = uint8_t(pcm[i]);
        data[2 * i + 1] = uint8_t(uint16_t(pcm[i]) >> 8);
    }

    EncBytes image = Enc_BeginRiff("WAVE");
    image.reserve(44 + data.size() + 1);
    Enc_PutChunk(image, "fmt ", fmt);
    Enc_PutChunk(image, "data", data);
    Enc_FinishRiff(image);
    return image;
}
