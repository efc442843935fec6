// Little-endian byte access and RIFF chunk assembly shared by the encoder programs.
#include "encoders/riff_bytes.h"

void Enc_PutU16(EncBytes &out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Enc_PutU32(EncBytes &out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(v >> shift));
}

void Enc_PutChunk(EncBytes &out, const char code[4], const EncBytes &payload)
{
    out.insert(out.end(), code, code + 4);
    Enc_PutU32(out, uint32_t(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        out.push_back(0);
}

EncBytes Enc_BeginRiff(const char form[4])
{
    EncBytes image = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    image.insert(image.end(), form, form + 4);
    return image;
}

void Enc_FinishRiff(EncBytes &image)
{
    uint32_t size = uint32_t(image.size() - 8);
    for (int i = 0; i < 4; ++i)
        image[4 + i] = uint8_t(size >> (8 * i));
}
