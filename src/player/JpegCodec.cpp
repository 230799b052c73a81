#include "player/JpegCodec.h"

#include <algorithm>
#include <memory>

#include "media/FfmpegHandles.h"

namespace {

constexpr int kBestQuality = 1;
constexpr int kWorstQuality = 31;

} // namespace

std::vector<uint8_t> EncodeJpeg(const RgbImage& image, int quality)
{
    if (image.width <= 0 || image.height <= 0) return {};
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return {};
    std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!ctx || !frame || !packet) return {};
    ctx->width = image.width;
    ctx->height = image.height;
    ctx->pix_fmt = AV_PIX_FMT_YUVJ444P;
    ctx->time_base = {1, 1};
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    const int q = std::clamp(quality, kBestQuality, kWorstQuality);
    ctx->global_quality = FF_QP2LAMBDA * q;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return {};

    frame->format = ctx->pix_fmt;
    frame->width = image.width;
    frame->height = image.height;
    frame->quality = ctx->global_quality;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return {};
    std::unique_ptr<SwsContext, SwsDeleter> sws(sws_getContext(image.width, image.height, AV_PIX_FMT_RGB24, image.width,
                                                                image.height, AV_PIX_FMT_YUVJ444P, SWS_POINT, nullptr,
                                                                nullptr, nullptr));
    if (!sws) return {};
    const uint8_t* source[] = {image.pixels.data()};
    const int sourceStride[] = {int(image.width * RgbImage::kBytesPerPixel)};
    sws_scale(sws.get(), source, sourceStride, 0, image.height, frame->data, frame->linesize);

    if (avcodec_send_frame(ctx.get(), frame.get()) < 0 || avcodec_send_frame(ctx.get(), nullptr) < 0) return {};
    std::vector<uint8_t> jpeg;
    while (avcodec_receive_packet(ctx.get(), packet.get()) >= 0) {
        jpeg.insert(jpeg.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    return jpeg;
}
