// WMA encoding through FFmpeg's Windows Media Audio 2 encoder and ASF muxer.
#include "audio/EncodeWma.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "media/AudioFrameEncoder.h"
#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/dict.h>
}

#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "media/ReplacingFile.h"

namespace {

// The system profiles of the WMA+G export are all 44,100 Hz stereo.
constexpr int kWmaSampleRate = 44100;
constexpr int kBitsPerKilobit = 1000;
constexpr size_t kBlockFrames = 22050;
constexpr int kProgressStep = 2;
constexpr int kPercentAll = 100;

bool Fail(std::string* failure, const std::string& text)
{
    if (failure) *failure = text;
    return false;
}

// Everything between the source samples and the file: the encoder and the ASF muxer.
class WmaWriter {
public:
    // Writes to path; messages name the file as shownName has it.
    bool Open(const std::string& path, const std::string& shownName, const WaveFormat& in,
              const AudioEncodeOptions& options, std::string* failure);
    // Interleaved 16-bit stereo at the source's rate.
    bool Write(const int16_t* samples, size_t frames, std::string* failure)
    {
        return m_encoder.Write(samples, frames, m_sink, failure);
    }
    bool Finish(std::string* failure);

private:
    bool WritePacket(AVPacket* packet, std::string* failure);

    bool WriteFailed(int error, std::string* failure) const
    {
        return Fail(failure, "Unable to write the WMA file " + m_shownName + ": " + AvError(error));
    }

    std::unique_ptr<AVFormatContext, OutputDeleter> m_out;
    std::string m_shownName;
    AudioFrameEncoder m_encoder;
    AudioFrameEncoder::PacketSink m_sink = [this](AVPacket* p, std::string* f) { return WritePacket(p, f); };
    AVStream* m_stream = nullptr;
};

bool WmaWriter::Open(const std::string& path, const std::string& shownName, const WaveFormat& in,
                     const AudioEncodeOptions& options, std::string* failure)
{
    m_shownName = shownName;
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* encoder = avcodec_find_encoder_by_name("wmav2");
    const AVOutputFormat* asf = av_guess_format("asf", nullptr, nullptr);
    if (!encoder || !asf) return Fail(failure, "This FFmpeg build has no Windows Media Audio 2 encoder or ASF writer.");

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, asf, nullptr, path.c_str()) < 0 || !raw)
        return Fail(failure, "The WMA writer could not be set up.");
    m_out.reset(raw);
    // The tags are UTF-8, as FFmpeg takes them.
    if (!options.title.empty()) av_dict_set(&m_out->metadata, "title", options.title.c_str(), 0);
    if (!options.artist.empty()) av_dict_set(&m_out->metadata, "author", options.artist.c_str(), 0);

    AudioFrameEncoder::Settings settings;
    settings.encoder = "wmav2";
    settings.label = "WMA";
    settings.sampleRate = kWmaSampleRate;
    settings.bitRate = int64_t(WmaBitRateFor(options.kbps)) * kBitsPerKilobit;
    settings.sourceRate = int(in.sampleRate);
    settings.globalHeader = (m_out->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    settings.padLastFrame = true;
    if (!m_encoder.Open(settings, failure)) return false;

    m_stream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_encoder.Codec()) < 0)
        return Fail(failure, "The WMA writer could not be set up.");
    m_stream->time_base = m_encoder.Codec()->time_base;

    int r = avio_open(&m_out->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return Fail(failure, "Unable to create the WMA file " + m_shownName + ": " + AvError(r));
    r = avformat_write_header(m_out.get(), nullptr);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

bool WmaWriter::WritePacket(AVPacket* packet, std::string* failure)
{
    av_packet_rescale_ts(packet, m_encoder.Codec()->time_base, m_stream->time_base);
    packet->stream_index = m_stream->index;
    const int r = av_interleaved_write_frame(m_out.get(), packet);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

bool WmaWriter::Finish(std::string* failure)
{
    if (!m_encoder.Finish(m_sink, failure)) return false;
    int r = av_write_trailer(m_out.get());
    if (r < 0) return WriteFailed(r, failure);
    r = avio_closep(&m_out->pb);
    if (r < 0) return WriteFailed(r, failure);
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
    if (!wma.Create())
        return Fail(failure, "Unable to create the WMA file " + ShownName(destination, options) + ": " + std::strerror(errno) + ".");
    WmaWriter writer;
    if (!writer.Open(wma.TempPath(), ShownName(destination, options), format, options, failure)) return false;

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
    if (!wma.Commit())
        return Fail(failure, "Unable to write the WMA file " + ShownName(destination, options) + ": " + std::strerror(errno) + ".");
    return true;
}
