// RIFF image composition and reading for tests.
#include "tests/support/riff_builder.h"

std::string LittleU16(uint16_t value)
{
    std::string bytes(2, '\0');
    bytes[0] = char(value & 0xFF);
    bytes[1] = char(value >> 8);
    return bytes;
}

std::string LittleU32(uint32_t value)
{
    return LittleU16(uint16_t(value & 0xFFFF)) + LittleU16(uint16_t(value >> 16));
}

uint32_t ReadLittle(const std::string &bytes, size_t offset, int size)
{
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | uint8_t(bytes[offset + size_t(i)]);
    return value;
}

std::string RiffChunkHeader(const char *code, uint32_t declaredSize, const std::string &payload)
{
    return std::string(code, 4) + LittleU32(declaredSize) + payload;
}

std::string RiffChunk(const char *code, const std::string &payload)
{
    std::string chunk = RiffChunkHeader(code, uint32_t(payload.size()), payload);
    if (payload.size() % 2 != 0)
        chunk += '\0';
    return chunk;
}

std::string RiffImage(const char *form, const std::vector<std::string> &chunks)
{
    std::string body = std::string(form, 4);
    for (const std::string &chunk : chunks)
        body += chunk;
    return "RIFF" + LittleU32(uint32_t(body.size())) + body;
}

std::string WaveFormat(uint16_t tag, uint16_t channels, uint32_t sampleRate,
                       uint32_t avgBytesPerSec, uint16_t blockAlign, uint16_t bitsPerSample)
{
    return LittleU16(tag) + LittleU16(channels) + LittleU32(sampleRate) +
           LittleU32(avgBytesPerSec) + LittleU16(blockAlign) + LittleU16(bitsPerSample);
}

std::string PcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample)
{
    uint16_t blockAlign = uint16_t(channels * bitsPerSample / 8);
    return WaveFormat(1, channels, sampleRate, sampleRate * blockAlign, blockAlign, bitsPerSample);
}

std::string AdpcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t blockAlign,
                        uint16_t samplesPerBlock)
{
    static const int16_t coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                               {240, 0}, {460, -208}, {392, -232}};
    uint32_t avgBytesPerSec = uint32_t(uint64_t(sampleRate) * blockAlign / samplesPerBlock);
    std::string block = WaveFormat(2, channels, sampleRate, avgBytesPerSec, blockAlign, 4);
    block += LittleU16(32) + LittleU16(samplesPerBlock) + LittleU16(7);
    for (const auto &pair : coefficients)
        block += LittleU16(uint16_t(pair[0])) + LittleU16(uint16_t(pair[1]));
    return block;
}

std::string SampleBytes(size_t count)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    return bytes;
}

std::string PcmWave(uint32_t sampleRate, uint16_t channels, uint32_t frames, uint16_t bitsPerSample)
{
    size_t dataSize = size_t(frames) * channels * (bitsPerSample / 8);
    return RiffImage("WAVE", {RiffChunk("fmt ", PcmFormat(channels, sampleRate, bitsPerSample)),
                              RiffChunk("data", SampleBytes(dataSize))});
}

RiffRead ReadRiff(const std::string &bytes)
{
    RiffRead riff;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return riff;
    riff.form = bytes.substr(8, 4);
    size_t at = 12;
    while (at + 8 <= bytes.size())
    {
        std::string code = bytes.substr(at, 4);
        uint32_t size = ReadLittle(bytes, at + 4, 4);
        riff.order.push_back(code);
        riff.chunks.emplace(code, bytes.substr(at + 8, size));
        riff.offsets.emplace(code, at);
        at += 8 + size + (size & 1);
    }
    riff.wellFormed = at == bytes.size() && ReadLittle(bytes, 4, 4) == bytes.size() - 8;
    return riff;
}
