// WMA encoding through FFmpeg's Windows Media Audio 2 encoder and ASF muxer.
#include "audio/EncodeWma.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "media/FfmpegHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "media/ReplacingFile.h"
#include "text/Cp1252.h"

namespace {

// The system profiles of the WMA+G export are all 44,100 Hz stereo.
constexpr int kWmaSampleRate = 44100;
constexpr int kWmaChannels = 2;
constexpr int kBitsPerKilobit = 1000;
constexpr size_t kBlockFrames = 22050;
constexpr int kProgressStep = 2;
constexpr int kPercentAll = 100;

struct OutputDeleter {
    void operator()(AVFormatContext* f) const
    {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct FifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

bool Fail(std::string* failure, const std::string& text)
{
    if (failure) *failure = text;
    return false;
}

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Everything between the source samples and the file: resampler, frame queue, encoder, muxer.
class WmaWriter {
public:
    bool Open(const std::string& path, const WaveFormat& in, const AudioEncodeOptions& options, std::string* failure);
    // Interleaved 16-bit stereo at the source's rate.
    bool Write(const int16_t* samples, size_t frames, std::string* failure);
    bool Finish(std::string* failure);

private:
    bool EncodeQueued(bool all, std::string* failure);
    bool Send(AVFrame* frame, std::string* failure);

    std::unique_ptr<AVFormatContext, OutputDeleter> m_out;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_codec;
    std::unique_ptr<SwrContext, SwrDeleter> m_swr;
    std::unique_ptr<AVAudioFifo, FifoDeleter> m_fifo;
    std::unique_ptr<AVFrame, FrameDeleter> m_frame;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    AVStream* m_stream = nullptr;
    int64_t m_pts = 0;
    std::vector<float> m_left;
    std::vector<float> m_right;
};

bool WmaWriter::Open(const std::string& path, const WaveFormat& in, const AudioEncodeOptions& options,
                     std::string* failure)
{
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* encoder = avcodec_find_encoder_by_name("wmav2");
    const AVOutputFormat* asf = av_guess_format("asf", nullptr, nullptr);
    if (!encoder || !asf) return Fail(failure, "This FFmpeg build has no Windows Media Audio 2 encoder or ASF writer.");

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, asf, nullptr, path.c_str()) < 0 || !raw)
        return Fail(failure, "The WMA writer could not be set up.");
    m_out.reset(raw);
    // The tags are UTF-8 to FFmpeg; the song keeps Windows-1252.
    if (!options.title.empty()) av_dict_set(&m_out->metadata, "title", Cp1252ToUtf8(options.title).c_str(), 0);
    if (!options.artist.empty()) av_dict_set(&m_out->metadata, "author", Cp1252ToUtf8(options.artist).c_str(), 0);

    m_codec.reset(avcodec_alloc_context3(encoder));
    if (!m_codec) return Fail(failure, "The WMA encoder could not be set up.");
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->sample_rate = kWmaSampleRate;
    av_channel_layout_default(&m_codec->ch_layout, kWmaChannels);
    m_codec->bit_rate = int64_t(WmaBitRateFor(options.kbps)) * kBitsPerKilobit;
    m_codec->time_base = AVRational{1, kWmaSampleRate};
    if (m_out->oformat->flags & AVFMT_GLOBALHEADER) m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(m_codec.get(), encoder, nullptr);
    if (r < 0) return Fail(failure, "The WMA encoder refused its settings: " + AvError(r));

    m_stream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0)
        return Fail(failure, "The WMA writer could not be set up.");
    m_stream->time_base = m_codec->time_base;

    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, kWmaChannels);
    SwrContext* swr = nullptr;
    swr_alloc_set_opts2(&swr, &m_codec->ch_layout, AV_SAMPLE_FMT_FLTP, kWmaSampleRate, &inLayout, AV_SAMPLE_FMT_S16,
                        int(in.sampleRate), 0, nullptr);
    m_swr.reset(swr);
    av_channel_layout_uninit(&inLayout);
    if (!m_swr || swr_init(m_swr.get()) < 0) return Fail(failure, "The music's sample rate cannot be converted for WMA.");

    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kWmaChannels, m_codec->frame_size));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_fifo || !m_frame || !m_packet) return Fail(failure, "Out of memory while setting up the WMA encoder.");

    r = avio_open(&m_out->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return Fail(failure, "Unable to create the WMA file: " + AvError(r));
    r = avformat_write_header(m_out.get(), nullptr);
    if (r < 0) return Fail(failure, "Unable to write the WMA file: " + AvError(r));
    return true;
}

bool WmaWriter::Send(AVFrame* frame, std::string* failure)
{
    int r = avcodec_send_frame(m_codec.get(), frame);
    if (r < 0) return Fail(failure, "The WMA encoder failed: " + AvError(r));
    while ((r = avcodec_receive_packet(m_codec.get(), m_packet.get())) == 0) {
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        r = av_interleaved_write_frame(m_out.get(), m_packet.get());
        if (r < 0) return Fail(failure, "Unable to write the WMA file: " + AvError(r));
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) return Fail(failure, "The WMA encoder failed: " + AvError(r));
    return true;
}

// Encodes whole frames from the queue; with all, also the last part frame, padded with silence
// (the encoder takes only whole frames).
bool WmaWriter::EncodeQueued(bool all, std::string* failure)
{
    const int frameSize = m_codec->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize || (all && av_audio_fifo_size(m_fifo.get()) > 0)) {
        av_frame_unref(m_frame.get());
        m_frame->nb_samples = frameSize;
        m_frame->format = m_codec->sample_fmt;
        m_frame->sample_rate = m_codec->sample_rate;
        if (av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout) < 0 || av_frame_get_buffer(m_frame.get(), 0) < 0)
            return Fail(failure, "Out of memory while encoding WMA.");
        const int got = av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), frameSize);
        if (got < frameSize)
            av_samples_set_silence(m_frame->data, got, frameSize - got, kWmaChannels, m_codec->sample_fmt);
        m_frame->pts = m_pts;
        m_pts += frameSize;
        if (!Send(m_frame.get(), failure)) return false;
    }
    return true;
}

bool WmaWriter::Write(const int16_t* samples, size_t frames, std::string* failure)
{
    const int room = swr_get_out_samples(m_swr.get(), int(frames));
    if (room < 0) return Fail(failure, "The music's sample rate cannot be converted for WMA.");
    m_left.resize(size_t(room));
    m_right.resize(size_t(room));
    uint8_t* out[kWmaChannels] = {reinterpret_cast<uint8_t*>(m_left.data()), reinterpret_cast<uint8_t*>(m_right.data())};
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int got = swr_convert(m_swr.get(), out, room, samples ? in : nullptr, int(frames));
    if (got < 0) return Fail(failure, "The music's sample rate cannot be converted for WMA.");
    if (got > 0 && av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(out), got) < got)
        return Fail(failure, "Out of memory while encoding WMA.");
    return EncodeQueued(false, failure);
}

bool WmaWriter::Finish(std::string* failure)
{
    // What the resampler still holds, the last part frame, then what the encoder holds.
    if (!Write(nullptr, 0, failure) || !EncodeQueued(true, failure) || !Send(nullptr, failure)) return false;
    int r = av_write_trailer(m_out.get());
    if (r < 0) return Fail(failure, "Unable to write the WMA file: " + AvError(r));
    r = avio_closep(&m_out->pb);
    if (r < 0) return Fail(failure, "Unable to write the WMA file: " + AvError(r));
    return true;
}

// Reports 2, 4, 6, ... up to the current percentage.
class StepProgress {
public:
    explicit StepProgress(const ProgressCallback& progress) : m_progress(progress) {}
    bool To(int percent)
    {
        while (m_reported + kProgressStep <= std::min(percent, kPercentAll)) {
            m_reported += kProgressStep;
            if (!ReportProgress(m_progress, m_reported)) return false;
        }
        return true;
    }

private:
    const ProgressCallback& m_progress;
    int m_reported = 0;
};

} // namespace

int WmaBitRateFor(int kbps)
{
    const bool offered = std::find(std::begin(kWmaBitRates), std::end(kWmaBitRates), kbps) != std::end(kWmaBitRates);
    return offered ? kbps : kWmaDefaultKbps;
}

bool EncodeWma(const std::string& sourcePath, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure)
{
    PcmSource source;
    if (!source.Open(sourcePath) || !source.SetLength(options.musicBytes)) return Fail(failure, source.FailureText());
    const WaveFormat format = source.Format();
    if (format.channels != 1 && format.channels != 2)
        return Fail(failure, "The music has " + std::to_string(format.channels) +
                                 " channels; WMA encoding takes mono or stereo music.");
    const uint32_t frameBytes = format.FrameBytes();
    const uint64_t musicFrames = source.DataBytes() / frameBytes;
    if (musicFrames == 0) return Fail(failure, "The music file holds no sound to encode.");

    ReplacingFile wma(destination);
    if (!wma.Create()) return Fail(failure, "Unable to create the WMA file \"" + destination + "\".");
    WmaWriter writer;
    if (!writer.Open(wma.TempPath(), format, options, failure)) return false;

    std::vector<uint8_t> raw(kBlockFrames * frameBytes);
    std::vector<int16_t> pcm(kBlockFrames * 2, 0);
    for (uint64_t left = options.leadInFrames; left > 0;) {
        const size_t frames = size_t(std::min<uint64_t>(left, kBlockFrames));
        if (!writer.Write(pcm.data(), frames, failure)) return false;
        left -= frames;
    }
    StepProgress progress(options.progress);
    uint64_t framesRead = 0;
    for (;;) {
        size_t got = 0;
        if (!source.Read(raw, got)) return Fail(failure, source.FailureText());
        const size_t frames = WidenToStereo16(std::span<const uint8_t>(raw.data(), got), format.channels,
                                              format.bitsPerSample, pcm);
        if (frames > 0 && !writer.Write(pcm.data(), frames, failure)) return false;
        framesRead += frames;
        if (!progress.To(int(framesRead * kPercentAll / musicFrames)))
            return Fail(failure, "The WMA encoding was cancelled.");
        if (got < raw.size()) break;
    }
    std::fill(pcm.begin(), pcm.end(), 0);
    for (uint64_t left = options.tailFrames; left > 0;) {
        const size_t frames = size_t(std::min<uint64_t>(left, kBlockFrames));
        if (!writer.Write(pcm.data(), frames, failure)) return false;
        left -= frames;
    }
    if (!writer.Finish(failure)) return false;
    if (!wma.Commit()) return Fail(failure, "Unable to create the WMA file \"" + destination + "\".");
    return true;
}
