// The Windows Media Audio encoder behind WMAEncode.exe: libavcodec's wmav2 in an XWMA file.
#include "encoders/wma.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <memory>

namespace
{

constexpr uint16_t kTagWma = 0x161;

struct ContextFree
{
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFree
{
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFree
{
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
using ContextPtr = std::unique_ptr<AVCodecContext, ContextFree>;

std::string AvText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

ContextPtr OpenEncoder(const AVCodec *codec, const EncWave &wave, long bitRate, std::string &error)
{
    ContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
    {
        error = "out of memory";
        return nullptr;
    }
    ctx->sample_rate = int(wave.sampleRate);
    ctx->bit_rate = bitRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->thread_count = 1;
    av_channel_layout_default(&ctx->ch_layout, wave.channels);
    int result = avcodec_open2(ctx.get(), codec, nullptr);
    if (result < 0)
    {
        error = "the WMA encoder refuses " + std::to_string(wave.sampleRate) + " Hz at " +
                std::to_string(bitRate) + " bit/s: " + AvText(result);
        return nullptr;
    }
    if (ctx->frame_size <= 0 || ctx->block_align <= 0)
    {
        error = "the WMA encoder gives no packet layout";
        return nullptr;
    }
    return ctx;
}

// The true average byte rate of the packet stream.
uint32_t AverageBytes(const AVCodecContext *ctx)
{
    return uint32_t(
        (uint64_t(ctx->block_align) * uint64_t(ctx->sample_rate) + ctx->frame_size / 2) /
        uint64_t(ctx->frame_size));
}

// Readers of XWMA files take a header rate of 12000 or 24000 bytes per second to mean a
// stream coded at 48 kbit/s and set up their decoder for that rate. A stream that truly has
// one of these rates is coded one byte shorter per packet so that its header rate is exact
// and unambiguous.
bool IsReinterpretedRate(uint32_t averageBytes)
{
    return averageBytes == 12000 || averageBytes == 24000;
}

bool Drain(AVCodecContext *ctx, AVPacket *packet, EncBytes &data, size_t &packets,
           std::string &error)
{
    int result;
    while ((result = avcodec_receive_packet(ctx, packet)) == 0)
    {
        bool sized = packet->size == ctx->block_align;
        data.insert(data.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet);
        if (!sized)
        {
            error = "the WMA encoder produced a packet of unexpected size";
            return false;
        }
        ++packets;
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
    {
        error = "WMA encoding failed: " + AvText(result);
        return false;
    }
    return true;
}

} // namespace

bool Enc_BuildXwma(const EncWave &wave, long bitRate, EncBytes &image, std::string &error)
{
    if (wave.channels < 1 || wave.channels > 2)
    {
        error = "WMA takes 1 or 2 channels, the input has " + std::to_string(wave.channels);
        return false;
    }
    const size_t frames = wave.Frames();
    if (frames == 0)
    {
        error = "the input holds no samples";
        return false;
    }
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
    {
        error = "libavcodec has no WMA v2 encoder";
        return false;
    }
    ContextPtr ctx = OpenEncoder(codec, wave, bitRate, error);
    if (!ctx)
        return false;
    if (IsReinterpretedRate(AverageBytes(ctx.get())))
    {
        long shorter =
            long((int64_t(ctx->block_align - 1) * 8 * ctx->sample_rate + ctx->frame_size - 1) /
                 ctx->frame_size);
        ctx = OpenEncoder(codec, wave, shorter, error);
        if (!ctx)
            return false;
    }

    const size_t frameLength = size_t(ctx->frame_size);
    const size_t soundPackets = (frames + frameLength - 1) / frameLength;
    const size_t totalPackets = soundPackets + 2; // one of silence ahead, one behind
    const int channels = wave.channels;

    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!frame || !packet)
    {
        error = "out of memory";
        return false;
    }
    EncBytes data;
    data.reserve(totalPackets * size_t(ctx->block_align));
    size_t packets = 0;
    for (size_t k = 0; k < totalPackets; ++k)
    {
        frame->nb_samples = ctx->frame_size;
        frame->format = ctx->sample_fmt;
        frame->pts = int64_t(k * frameLength);
        if (av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0)
        {
            error = "out of memory";
            return false;
        }
        // Frame k carries source frames [(k - 1) * frameLength, k * frameLength).
        for (int ch = 0; ch < channels; ++ch)
        {
            float *plane = reinterpret_cast<float *>(frame->data[ch]);
            for (size_t i = 0; i < frameLength; ++i)
            {
                size_t at = (k - 1) * frameLength + i;
                plane[i] = (k >= 1 && at < frames) ? wave.samples[at * channels + ch] : 0.0f;
            }
        }
        int result = avcodec_send_frame(ctx.get(), frame.get());
        av_frame_unref(frame.get());
        if (result < 0)
        {
            error = "WMA encoding failed: " + AvText(result);
            return false;
        }
        if (!Drain(ctx.get(), packet.get(), data, packets, error))
            return false;
    }
    if (avcodec_send_frame(ctx.get(), nullptr) < 0 ||
        !Drain(ctx.get(), packet.get(), data, packets, error))
        return false;
    if (packets != totalPackets)
    {
        error = "the WMA encoder produced " + std::to_string(packets) + " packets for " +
                std::to_string(totalPackets) + " frames";
        return false;
    }

    EncBytes fmt;
    Enc_PutU16(fmt, kTagWma);
    Enc_PutU16(fmt, uint16_t(channels));
    Enc_PutU32(fmt, wave.sampleRate);
    Enc_PutU32(fmt, AverageBytes(ctx.get()));
    Enc_PutU16(fmt, uint16_t(ctx->block_align));
    Enc_PutU16(fmt, 16);
    Enc_PutU16(fmt, uint16_t(ctx->extradata_size));
    if (ctx->extradata_size > 0)
        fmt.insert(fmt.end(), ctx->extradata, ctx->extradata + ctx->extradata_size);

    // The sound carried by frame k - 1 is complete once packet k is decoded.
    EncBytes dpds;
    for (size_t k = 0; k < totalPackets; ++k)
    {
        size_t complete = k >= 2 ? std::min(frames, (k - 1) * frameLength) : 0;
        Enc_PutU32(dpds, uint32_t(complete * channels * 2));
    }

    image = Enc_BeginRiff("XWMA");
    Enc_PutChunk(image, "fmt ", fmt);
    Enc_PutChunk(image, "dpds", dpds);
    Enc_PutChunk(image, "data", data);
    Enc_FinishRiff(image);
    return true;
}
