#include "media/AudioFrameEncoder.h"

#include <algorithm>
#include <vector>

#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace {

constexpr int kChannels = 2;

} // namespace

struct AudioFrameEncoder::State {
    Settings settings;
    std::unique_ptr<AVCodecContext, CodecDeleter> codec;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo;
    std::unique_ptr<AVFrame, FrameDeleter> frame;
    std::unique_ptr<AVPacket, PacketDeleter> packet;
    int64_t pts = 0;
    std::vector<float> left;
    std::vector<float> right;
};

AudioFrameEncoder::AudioFrameEncoder() : m(std::make_unique<State>()) {}

AudioFrameEncoder::~AudioFrameEncoder() = default;

bool AudioFrameEncoder::Fail(std::string* failure, const std::string& text) const
{
    if (failure) *failure = text;
    return false;
}

const AVCodecContext* AudioFrameEncoder::Codec() const
{
    return m->codec.get();
}

bool AudioFrameEncoder::Open(const Settings& settings, std::string* failure)
{
    m->settings = settings;
    const std::string label = settings.label;
    const AVCodec* encoder = avcodec_find_encoder_by_name(settings.encoder);
    if (!encoder) return Fail(failure, "This FFmpeg build has no " + label + " encoder.");
    m->codec.reset(avcodec_alloc_context3(encoder));
    if (!m->codec) return Fail(failure, "The " + label + " encoder could not be set up.");
    AVCodecContext& codec = *m->codec;
    codec.sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec.sample_rate = settings.sampleRate;
    av_channel_layout_default(&codec.ch_layout, kChannels);
    codec.bit_rate = settings.bitRate;
    codec.time_base = AVRational{1, settings.sampleRate};
    if (settings.globalHeader) codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int r = avcodec_open2(&codec, encoder, nullptr);
    if (r < 0) return Fail(failure, "The " + label + " encoder refused its settings: " + AvError(r));

    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, kChannels);
    SwrContext* swr = nullptr;
    swr_alloc_set_opts2(&swr, &codec.ch_layout, AV_SAMPLE_FMT_FLTP, settings.sampleRate, &inLayout, AV_SAMPLE_FMT_S16,
                        settings.sourceRate, 0, nullptr);
    m->swr.reset(swr);
    av_channel_layout_uninit(&inLayout);
    if (!m->swr || swr_init(m->swr.get()) < 0)
        return Fail(failure, "The music's sample rate cannot be converted for " + label + ".");
    m->fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kChannels, std::max(1, codec.frame_size)));
    m->frame.reset(av_frame_alloc());
    m->packet.reset(av_packet_alloc());
    if (!m->fifo || !m->frame || !m->packet)
        return Fail(failure, "Out of memory while setting up the " + label + " encoder.");
    return true;
}

bool AudioFrameEncoder::Send(bool flush, const PacketSink& sink, std::string* failure)
{
    AVCodecContext* codec = m->codec.get();
    const std::string label = m->settings.label;
    int r = avcodec_send_frame(codec, flush ? nullptr : m->frame.get());
    if (r < 0) return Fail(failure, "The " + label + " encoder failed: " + AvError(r));
    while ((r = avcodec_receive_packet(codec, m->packet.get())) == 0) {
        const bool taken = sink(m->packet.get(), failure);
        av_packet_unref(m->packet.get());
        if (!taken) return false;
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) return Fail(failure, "The " + label + " encoder failed: " + AvError(r));
    return true;
}

bool AudioFrameEncoder::EncodeQueued(bool all, const PacketSink& sink, std::string* failure)
{
    const AVCodecContext& codec = *m->codec;
    const int frameSize = codec.frame_size;
    AVAudioFifo* fifo = m->fifo.get();
    AVFrame* frame = m->frame.get();
    while (av_audio_fifo_size(fifo) >= frameSize || (all && av_audio_fifo_size(fifo) > 0)) {
        av_frame_unref(frame);
        // A short last frame is padded with silence for an encoder that takes only whole ones;
        // otherwise the file's edit list ends the sound where it ends.
        const int queued = av_audio_fifo_size(fifo);
        const int take = std::min(frameSize, queued);
        frame->nb_samples = m->settings.padLastFrame ? frameSize : take;
        frame->format = codec.sample_fmt;
        frame->sample_rate = codec.sample_rate;
        if (av_channel_layout_copy(&frame->ch_layout, &codec.ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
            return Fail(failure, std::string("Out of memory while encoding ") + m->settings.label + ".");
        const int got = av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), take);
        if (got < frame->nb_samples)
            av_samples_set_silence(frame->data, std::max(got, 0), frame->nb_samples - std::max(got, 0), kChannels,
                                   codec.sample_fmt);
        frame->pts = m->pts;
        m->pts += frame->nb_samples;
        if (!Send(false, sink, failure)) return false;
    }
    return true;
}

bool AudioFrameEncoder::Write(const int16_t* samples, size_t frames, const PacketSink& sink, std::string* failure)
{
    const std::string label = m->settings.label;
    const int room = swr_get_out_samples(m->swr.get(), int(frames));
    if (room < 0) return Fail(failure, "The music's sample rate cannot be converted for " + label + ".");
    m->left.resize(size_t(room) + 1);
    m->right.resize(size_t(room) + 1);
    uint8_t* out[kChannels] = {reinterpret_cast<uint8_t*>(m->left.data()), reinterpret_cast<uint8_t*>(m->right.data())};
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int got = swr_convert(m->swr.get(), out, room, samples ? in : nullptr, int(frames));
    if (got < 0) return Fail(failure, "The music's sample rate cannot be converted for " + label + ".");
    if (got > 0 && av_audio_fifo_write(m->fifo.get(), reinterpret_cast<void**>(out), got) < got)
        return Fail(failure, "Out of memory while encoding " + label + ".");
    return EncodeQueued(false, sink, failure);
}

bool AudioFrameEncoder::Finish(const PacketSink& sink, std::string* failure)
{
    return Write(nullptr, 0, sink, failure) && EncodeQueued(true, sink, failure) && Send(true, sink, failure);
}
