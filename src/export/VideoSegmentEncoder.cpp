#include "export/VideoSegmentEncoder.h"

#include <algorithm>
#include <vector>

#include "cdg/CdgFormat.h"
#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// CRF 18 keeps the CD+G colours and edges. The fastest preset keeps the export far ahead of
// real time on a small machine; flat pictures of a few colours lose little by it (its larger
// files come from simpler entropy coding, and its lack of deblocking keeps edges sharp).
constexpr const char* kVideoCrf = "18";
constexpr const char* kVideoPreset = "ultrafast";
// Ten seconds between key frames: seeking stays quick, and a still screen costs nothing more.
constexpr int kKeyFrameSeconds = 10;

bool Fail(std::string* failure, const std::string& text)
{
    if (failure) *failure = text;
    return false;
}

} // namespace

VideoSegmentEncoder::VideoSegmentEncoder(std::span<const uint8_t> stream, VideoRect frame, int fps)
    : m_frame(frame), m_fps(fps), m_player(stream), m_painter(frame.width, frame.height)
{
}

VideoSegmentEncoder::~VideoSegmentEncoder() = default;

bool VideoSegmentEncoder::Open(int threads, bool globalHeader, std::string* failure)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder) return Fail(failure, "This FFmpeg build has no H.264 encoder (libx264).");
    m_codec.reset(avcodec_alloc_context3(encoder));
    if (!m_codec) return Fail(failure, "The H.264 encoder could not be set up.");
    m_codec->width = m_frame.width;
    m_codec->height = m_frame.height;
    m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
    m_codec->time_base = AVRational{1, m_fps};
    m_codec->framerate = AVRational{m_fps, 1};
    m_codec->gop_size = m_fps * kKeyFrameSeconds;
    m_codec->thread_count = threads;
    m_codec->color_range = AVCOL_RANGE_MPEG;
    m_codec->colorspace = AVCOL_SPC_BT709;
    m_codec->color_primaries = AVCOL_PRI_BT709;
    m_codec->color_trc = AVCOL_TRC_BT709;
    if (globalHeader) m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(m_codec->priv_data, "preset", kVideoPreset, 0);
    av_opt_set(m_codec->priv_data, "crf", kVideoCrf, 0);
    const int r = avcodec_open2(m_codec.get(), encoder, nullptr);
    if (r < 0) return Fail(failure, "The H.264 encoder refused its settings: " + AvError(r));

    m_picture.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_picture || !m_packet) return Fail(failure, "Out of memory while setting up the H.264 encoder.");
    m_picture->format = m_codec->pix_fmt;
    m_picture->width = m_frame.width;
    m_picture->height = m_frame.height;
    m_picture->color_range = m_codec->color_range;
    m_picture->colorspace = m_codec->colorspace;
    m_picture->color_primaries = m_codec->color_primaries;
    m_picture->color_trc = m_codec->color_trc;
    if (av_frame_get_buffer(m_picture.get(), 0) < 0) return Fail(failure, "Out of memory while encoding the video.");
    m_repeats = m_repeater.Open(std::span<const uint8_t>(m_codec->extradata, size_t(std::max(0, m_codec->extradata_size))));
    return true;
}

bool VideoSegmentEncoder::Send(AVFrame* frame, const PacketSink& sink, std::string* failure)
{
    int r = avcodec_send_frame(m_codec.get(), frame);
    if (r < 0) return Fail(failure, "The H.264 encoder failed: " + AvError(r));
    while ((r = avcodec_receive_packet(m_codec.get(), m_packet.get())) == 0) {
        const bool delivered = Deliver(m_packet.get(), sink, failure);
        av_packet_unref(m_packet.get());
        if (!delivered) return false;
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) return Fail(failure, "The H.264 encoder failed: " + AvError(r));
    return true;
}

bool VideoSegmentEncoder::Deliver(AVPacket* packet, const PacketSink& sink, std::string* failure)
{
    if (m_waiting.empty() || m_waiting.front().second || int64_t(m_waiting.front().first) != packet->pts)
        return Fail(failure, "The H.264 encoder returned its frames out of order.");
    m_waiting.pop_front();
    if (m_repeats) {
        if (H264FrameRepeater::IsKeyFrame(std::span<const uint8_t>(packet->data, size_t(packet->size)))) {
            m_lastKey = uint64_t(packet->pts);
        } else {
            std::vector<uint8_t> unit(packet->data, packet->data + packet->size);
            if (!m_repeater.Renumber(unit, uint64_t(packet->pts) - m_lastKey))
                return Fail(failure, "The H.264 encoder wrote a frame that could not be read.");
            std::unique_ptr<AVPacket, PacketDeleter> renumbered(av_packet_alloc());
            if (!renumbered || av_new_packet(renumbered.get(), int(unit.size())) < 0 ||
                av_packet_copy_props(renumbered.get(), packet) < 0)
                return Fail(failure, "Out of memory while encoding the video.");
            std::copy(unit.begin(), unit.end(), renumbered->data);
            return sink(renumbered.get(), failure) && DeliverRepeats(sink, failure);
        }
    }
    return sink(packet, failure) && DeliverRepeats(sink, failure);
}

bool VideoSegmentEncoder::DeliverRepeats(const PacketSink& sink, std::string* failure)
{
    while (!m_waiting.empty() && m_waiting.front().second) {
        const uint64_t k = m_waiting.front().first;
        m_waiting.pop_front();
        const std::vector<uint8_t> unit = m_repeater.Repeat(k - m_lastKey);
        std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
        if (!packet || av_new_packet(packet.get(), int(unit.size())) < 0)
            return Fail(failure, "Out of memory while encoding the video.");
        std::copy(unit.begin(), unit.end(), packet->data);
        packet->pts = packet->dts = int64_t(k);
        packet->duration = 1;
        if (!sink(packet.get(), failure)) return false;
    }
    return true;
}

bool VideoSegmentEncoder::Encode(uint64_t first, uint64_t end, const PacketSink& sink,
                                 const std::function<bool()>& afterFrame, std::string* failure)
{
    const uint64_t keyInterval = uint64_t(m_codec->gop_size);
    m_waiting.clear();
    m_lastKey = first;
    bool painted = false;
    for (uint64_t k = first; k < end; ++k) {
        // The player's clock at this frame, in sample frames of the CD+G timing.
        const size_t packets = m_player.PacketsAtClock(k * kCdgSampleRate / uint64_t(m_fps));
        bool changed = false;
        if (!painted || packets != m_player.ExecutedCount()) {
            m_player.ExecuteUntil(packets);
            const RgbImage& screen = m_player.Show();
            if (av_frame_make_writable(m_picture.get()) < 0)
                return Fail(failure, "Out of memory while encoding the video.");
            changed = m_painter.Paint(screen, m_picture.get()); // true the first time
            painted = true;
        }
        // Key frames come at the same times whatever the pictures, as the encoder would place them.
        const bool key = (k - first) % keyInterval == 0;
        if (m_repeats && !changed && !key) {
            m_waiting.emplace_back(k, true);
            if (!DeliverRepeats(sink, failure)) return false;
        } else {
            m_waiting.emplace_back(k, false);
            m_picture->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            m_picture->pts = int64_t(k);
            if (!Send(m_picture.get(), sink, failure)) return false;
        }
        if (!afterFrame()) return false;
    }
    if (!Send(nullptr, sink, failure)) return false;
    if (!m_waiting.empty()) return Fail(failure, "The H.264 encoder left frames out.");
    return true;
}
