// Music decoding through FFmpeg: demux, decode, convert to interleaved 16-bit samples in the
// file's own rate and channel layout, and append them to the output file.
#include "audio/CAudioPlay.h"

#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kOutputBits = 16;
constexpr size_t kWriteBufferBytes = 1 << 20;
constexpr int64_t kHundredNanosPerMicro = 10;

struct InputDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;

std::string Tag(const AVFormatContext& format, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(format.metadata, key, nullptr, 0);
    if (!e) {
        for (unsigned i = 0; i < format.nb_streams && !e; ++i)
            e = av_dict_get(format.streams[i]->metadata, key, nullptr, 0);
    }
    if (!e || !e->value) return {};
    std::string value = e->value;
    constexpr size_t kMaxTagCharacters = 64;
    if (value.size() > kMaxTagCharacters * 4) value.resize(kMaxTagCharacters * 4);
    return value;
}

void ReadFormatTags(const AVFormatContext& format, MusicTags& tags)
{
    tags.title = Tag(format, "title");
    tags.artist = Tag(format, "artist");
    if (tags.artist.empty()) tags.artist = Tag(format, "album_artist");
    if (tags.artist.empty()) tags.artist = Tag(format, "author");
    tags.brand = Tag(format, "publisher");
    tags.album = Tag(format, "album");
    tags.track = Tag(format, "track");
    tags.duration = format.duration > 0 ? format.duration * kHundredNanosPerMicro : 0;
}

int OpenInput(const std::string& path, InputPtr& out)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* raw = nullptr;
    const int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0) return r;
    out.reset(raw);
    return avformat_find_stream_info(raw, nullptr);
}

} // namespace

CAudioPlay::CAudioPlay() = default;
CAudioPlay::~CAudioPlay() = default;

uint32_t CAudioPlay::Fail(const char* text, uint32_t status)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%s (hr=0x%08x)\n", text, status);
    m_errorText = buf;
    return status;
}

bool CAudioPlay::ReadTags(const std::string& path, MusicTags& tags)
{
    tags = MusicTags{};
    InputPtr input;
    if (OpenInput(path, input) < 0 || !input) return false;
    ReadFormatTags(*input, tags);
    return true;
}

uint32_t CAudioPlay::Decode(const std::string& path, const std::string& outputPath, const Progress& progress)
{
    m_errorText.clear();
    m_bytesWritten = 0;
    m_expectedBytes = 0;

    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(outputPath.c_str(), "wb"));
    if (!out) return Fail("Could not create the output file", kStatusFail);
    const std::vector<uint8_t> room(kWavHeaderBytes, 0);
    if (std::fwrite(room.data(), 1, room.size(), out.get()) != room.size())
        return Fail("Could not create the output file", kStatusFail);

    InputPtr input;
    if (OpenInput(path, input) < 0 || !input) return Fail("Could not open the specified file", kStatusFail);
    ReadFormatTags(*input, m_tags);

    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) return Fail("Could not get audio stream in the specified file", kStatusFail);
    const AVCodecParameters* par = input->streams[stream]->codecpar;
    m_sampleRate = par->sample_rate;
    m_channels = par->ch_layout.nb_channels;
    m_bits = kOutputBits;

    if (m_tags.duration > 0 && m_sampleRate > 0)
        m_expectedBytes = uint64_t(m_tags.duration / 10000) * uint64_t(m_sampleRate) * uint64_t(BlockAlign()) / 1000;
    if (!m_acceptAnyRate && m_sampleRate != kWorkFileRate)
        return Fail("Input stream is not 44,100 samples per second", kStatusNotImplemented);
    if (!m_acceptAnySampleSize && m_bits != kOutputBits)
        return Fail("Input stream is not 16 bits per sample", kStatusNotImplemented);
    if (!m_acceptAnyChannels && m_channels != 2)
        return Fail("Input music file is not stereo (2 channel)", kStatusNotImplemented);
    if (m_sampleRate <= 0 || m_channels <= 0) return Fail("Could not get media type", kStatusFail);

    std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0 || avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return Fail("Could not start Reader", kStatusFail);

    AVChannelLayout layout{};
    if (av_channel_layout_check(&ctx->ch_layout) && ctx->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_copy(&layout, &ctx->ch_layout);
    else
        av_channel_layout_default(&layout, m_channels);
    SwrContext* rawSwr = nullptr;
    swr_alloc_set_opts2(&rawSwr, &layout, AV_SAMPLE_FMT_S16, m_sampleRate, &layout, ctx->sample_fmt,
                        ctx->sample_rate > 0 ? ctx->sample_rate : m_sampleRate, 0, nullptr);
    std::unique_ptr<SwrContext, SwrDeleter> swr(rawSwr);
    av_channel_layout_uninit(&layout);
    if (!swr || swr_init(swr.get()) < 0) return Fail("Could not start Reader", kStatusFail);

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> pending;
    pending.reserve(kWriteBufferBytes);
    int lastPercent = -1;
    bool writeFailed = false;

    auto flushPending = [&] {
        if (!pending.empty() && std::fwrite(pending.data(), 1, pending.size(), out.get()) != pending.size())
            writeFailed = true;
        pending.clear();
    };
    auto deliver = [&](const uint8_t* data, size_t bytes) {
        pending.insert(pending.end(), data, data + bytes);
        if (pending.size() >= kWriteBufferBytes) flushPending();
        m_bytesWritten += bytes;
        if (progress && m_expectedBytes > 0) {
            const int percent = int(std::min<uint64_t>(100, m_bytesWritten * 100 / m_expectedBytes));
            if (percent > lastPercent) {
                lastPercent = percent;
                progress(percent);
            }
        }
    };
    auto convert = [&](const AVFrame* in) {
        const int inSamples = in ? in->nb_samples : 0;
        const int room = swr_get_out_samples(swr.get(), inSamples);
        if (room <= 0) return;
        pcm.resize(size_t(room) * size_t(BlockAlign()));
        uint8_t* dst[1] = {pcm.data()};
        const int got = swr_convert(swr.get(), dst, room, in ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                    inSamples);
        if (got > 0) deliver(pcm.data(), size_t(got) * size_t(BlockAlign()));
    };
    auto drain = [&] {
        while (avcodec_receive_frame(ctx.get(), frame.get()) == 0) {
            convert(frame.get());
            av_frame_unref(frame.get());
        }
    };

    while (!writeFailed && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(ctx.get(), packet.get()) >= 0) drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(ctx.get(), nullptr);
    drain();
    convert(nullptr); // what the resampler still holds
    flushPending();
    if (writeFailed || std::fflush(out.get()) != 0) return Fail("Could not write the output file", kStatusFail);
    if (m_bytesWritten == 0) return Fail("Could not get audio stream in the specified file", kStatusFail);
    if (progress && lastPercent < 100) progress(100);
    return kStatusOk;
}
