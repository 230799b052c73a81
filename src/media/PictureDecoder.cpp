// Picture decoding and scaling through FFmpeg's image decoders and libswscale.
#include <algorithm>
#include <cstring>
#include <memory>

#include "media/FfmpegHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "media/AtomicFile.h"
#include "media/RgbPicture.h"

namespace {

// Bigger files than this are not pictures we would show on a 288 x 192 screen.
constexpr size_t kMaxPictureFileBytes = size_t(256) << 20;
constexpr int kIoBufferBytes = 64 * 1024;

struct MemoryReader {
    std::span<const uint8_t> data;
    size_t pos = 0;
};

int ReadPacket(void* opaque, uint8_t* buf, int size)
{
    auto* r = static_cast<MemoryReader*>(opaque);
    const size_t left = r->data.size() - r->pos;
    if (left == 0) return AVERROR_EOF;
    const size_t n = std::min(left, size_t(size));
    std::memcpy(buf, r->data.data() + r->pos, n);
    r->pos += n;
    return int(n);
}

int64_t Seek(void* opaque, int64_t offset, int whence)
{
    auto* r = static_cast<MemoryReader*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return int64_t(r->data.size());
    int64_t base = 0;
    if (whence == SEEK_CUR) base = int64_t(r->pos);
    else if (whence == SEEK_END) base = int64_t(r->data.size());
    const int64_t target = base + offset;
    if (target < 0 || target > int64_t(r->data.size())) return -1;
    r->pos = size_t(target);
    return target;
}

struct FormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct IoDeleter {
    void operator()(AVIOContext* io) const
    {
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

bool SideOk(int w, int h)
{
    return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide;
}

// The pixel format whose 32-bit pixels, in the machine's byte order, are colour values: red in
// the low byte. (Scaling in it gives the same channels as in any other order of R, G and B.)
constexpr AVPixelFormat kColourValueFormat = AV_PIX_FMT_BGR32;

// Converts any decoded frame to colour value pixels.
bool FrameToRgb(const AVFrame& frame, RgbPicture& out)
{
    std::unique_ptr<SwsContext, SwsDeleter> sws(
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width, frame.height,
                       kColourValueFormat, SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws) return false;
    out.width = frame.width;
    out.height = frame.height;
    out.pixels.assign(size_t(frame.width) * size_t(frame.height), 0);
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(out.pixels.data()), nullptr, nullptr, nullptr};
    int dstStride[4] = {frame.width * 4, 0, 0, 0};
    if (sws_scale(sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride) != frame.height) return false;
    for (uint32_t& p : out.pixels) p &= kColourValueMask;
    return true;
}

} // namespace

bool DecodePicture(std::span<const uint8_t> bytes, RgbPicture& out)
{
    if (bytes.empty()) return false;
    av_log_set_level(AV_LOG_QUIET); // failures are reported to the user, not printed
    MemoryReader reader{bytes, 0};
    auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!ioBuffer) return false;
    std::unique_ptr<AVIOContext, IoDeleter> io(
        avio_alloc_context(ioBuffer, kIoBufferBytes, 0, &reader, ReadPacket, nullptr, Seek));
    if (!io) {
        av_free(ioBuffer);
        return false;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return false;
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&raw, nullptr, nullptr, nullptr) < 0) return false; // frees raw on failure
    std::unique_ptr<AVFormatContext, FormatDeleter> format(raw);

    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) return false;
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    const AVCodecID id = par->codec_id;
    const bool picture = id == AV_CODEC_ID_BMP || id == AV_CODEC_ID_MJPEG || id == AV_CODEC_ID_GIF ||
                         id == AV_CODEC_ID_TIFF || id == AV_CODEC_ID_PNG || id == AV_CODEC_ID_JPEGLS;
    if (!picture) return false;
    if (par->width != 0 && !SideOk(par->width, par->height)) return false;

    std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0) return false;
    ctx->thread_count = 1;
    // A cut-off JPEG would otherwise decode as a picture with a grey lower part; refuse it.
    // (Other decoders report harmless oddities, such as unknown TIFF tags, the same way.)
    if (id == AV_CODEC_ID_MJPEG) ctx->err_recognition |= AV_EF_EXPLODE;
    ctx->max_pixels = int64_t(kMaxPictureSide) * kMaxPictureSide; // refused before any allocation
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return false;

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    if (!packet || !frame) return false;
    bool flushing = false;
    for (;;) {
        if (!flushing) {
            const int r = av_read_frame(format.get(), packet.get());
            if (r < 0) {
                flushing = true;
                avcodec_send_packet(ctx.get(), nullptr);
            } else {
                const bool ours = packet->stream_index == stream;
                const int sent = ours ? avcodec_send_packet(ctx.get(), packet.get()) : 0;
                av_packet_unref(packet.get());
                if (sent < 0 && sent != AVERROR(EAGAIN)) {
                    flushing = true;
                    avcodec_send_packet(ctx.get(), nullptr);
                }
            }
        }
        const int got = avcodec_receive_frame(ctx.get(), frame.get());
        if (got == 0) {
            if (!SideOk(frame->width, frame->height)) return false;
            return FrameToRgb(*frame, out);
        }
        if (got == AVERROR_EOF || (flushing && got != AVERROR(EAGAIN))) return false;
        if (flushing && got == AVERROR(EAGAIN)) return false;
    }
}

bool DecodePictureFile(const std::string& path, RgbPicture& out)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxPictureFileBytes)) return false;
    return DecodePicture(bytes, out);
}

bool ScalePicture(const RgbPicture& in, int width, int height, RgbPicture& out)
{
    if (in.width <= 0 || in.height <= 0 || width <= 0 || height <= 0) return false;
    std::unique_ptr<SwsContext, SwsDeleter> sws(sws_getContext(in.width, in.height, kColourValueFormat, width, height,
                                                               kColourValueFormat, SWS_BICUBIC, nullptr, nullptr,
                                                               nullptr));
    if (!sws) return false;
    RgbPicture result;
    result.width = width;
    result.height = height;
    result.pixels.assign(size_t(width) * size_t(height), 0);
    const uint8_t* src[4] = {reinterpret_cast<const uint8_t*>(in.pixels.data()), nullptr, nullptr, nullptr};
    int srcStride[4] = {in.width * 4, 0, 0, 0};
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(result.pixels.data()), nullptr, nullptr, nullptr};
    int dstStride[4] = {width * 4, 0, 0, 0};
    if (sws_scale(sws.get(), src, srcStride, 0, in.height, dst, dstStride) != height) return false;
    for (uint32_t& p : result.pixels) p &= kColourValueMask;
    out = std::move(result);
    return true;
}
