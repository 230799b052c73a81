// MP4 encoding through FFmpeg: libx264 for the picture, the native AAC encoder for the sound,
// the MP4 muxer with the index moved to the front.
#include "export/EncodeMp4.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "export/SoundEncodeThread.h"
#include "export/VideoSegmentEncoder.h"
#include "export/VideoSegmentThread.h"
#include "media/AudioFrameEncoder.h"
#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "cdg/CdgFormat.h"
#include "media/ReplacingFile.h"

namespace {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
constexpr int kBitsPerKilobit = 1000;
constexpr size_t kBlockFrames = 4096;
constexpr int kPercentAll = 100;
// The screen is shown at 4:3, as the viewer shows it.
// Runs of the picture are encoded side by side, one per core up to this many, none shorter
// than this: a short run's key frame and start-up cost more than its core gains. An encoder
// holds frames of its own, some 35 MB at 1080p: two of them keep a 10-minute export at that
// size under 150 MB whatever the machine.
constexpr unsigned kMostPictureEncoders = 4;
constexpr unsigned kMostFullHdPictureEncoders = 2;
constexpr int kShortestRunSeconds = 10;

bool Fail(std::string* failure, const std::string& text)
{
    if (failure) *failure = text;
    return false;
}

// The audio in the order the export plays it: lead-in silence, the music, the tail silence.
class AudioFeed {
public:
    AudioFeed(PcmSource& source, uint64_t leadIn, uint64_t music, uint64_t tail)
        : m_source(source), m_leadIn(leadIn), m_music(music), m_tail(tail)
    {
        m_raw.resize(kBlockFrames * source.Format().FrameBytes());
    }
    uint64_t Total() const { return m_leadIn + m_music + m_tail; }
    uint64_t Fed() const { return m_fed; }

    // Up to frames (at most kBlockFrames) stereo 16-bit frames into pcm; 0 at the end.
    bool Next(size_t frames, std::vector<int16_t>& pcm, size_t& got, std::string* failure)
    {
        got = 0;
        pcm.assign(kBlockFrames * kAudioChannels, 0);
        frames = std::min<size_t>(frames, kBlockFrames);
        if (m_fed < m_leadIn) {
            got = size_t(std::min<uint64_t>(frames, m_leadIn - m_fed));
        } else if (m_fed < m_leadIn + m_music) {
            const size_t want = size_t(std::min<uint64_t>(frames, m_leadIn + m_music - m_fed));
            const WaveFormat& format = m_source.Format();
            size_t bytes = 0;
            if (!m_source.Read(std::span<uint8_t>(m_raw.data(), want * format.FrameBytes()), bytes))
                return Fail(failure, m_source.FailureText());
            got = WidenToStereo16(std::span<const uint8_t>(m_raw.data(), bytes), format.channels, format.bitsPerSample,
                                  pcm);
            // A source that ends early is followed by silence up to the length it promised.
            if (got < want) {
                std::fill(pcm.begin() + std::ptrdiff_t(got * kAudioChannels), pcm.end(), int16_t(0));
                got = want;
            }
        } else {
            got = size_t(std::min<uint64_t>(frames, Total() - m_fed));
        }
        m_fed += got;
        return true;
    }

private:
    PcmSource& m_source;
    uint64_t m_leadIn, m_music, m_tail;
    uint64_t m_fed = 0;
    std::vector<uint8_t> m_raw;
};

// The muxer with its two streams: the picture's packets come from the picture's encoders, the
// sound's from its encoder (which the caller runs on a thread of its own).
class Mp4Writer {
public:
    // The output and its tags; the streams come with Open.
    // Writes to path; messages name shownPath, the file the user asked for.
    bool Create(const std::string& path, const std::string& shownPath, const Mp4EncodeOptions& options,
                std::string* failure);
    // video: the first picture encoder, whose stream headers every other one shares.
    bool Open(const AVCodecContext* video, int sourceRate, std::string* failure);
    bool GlobalHeader() const { return (m_out->oformat->flags & AVFMT_GLOBALHEADER) != 0; }
    AudioFrameEncoder& Sound() { return m_sound; }
    // A packet of a picture encoder (in frames of the whole video) into the file.
    bool WritePicture(AVPacket* packet, std::string* failure);
    // A packet of the sound's encoder into the file.
    bool WriteSound(AVPacket* packet, std::string* failure);
    // The sound's time base units at the end of picture index.
    int64_t SoundPtsAt(int64_t index) const;
    bool Finish(std::string* failure);

private:
    bool OpenAudio(int sourceRate, std::string* failure);

    bool WriteFailed(int error, std::string* failure) const
    {
        return Fail(failure, "Unable to write the MP4 file \"" + m_shownPath + "\": " + AvError(error));
    }

    std::unique_ptr<AVFormatContext, OutputDeleter> m_out;
    std::string m_shownPath;
    AudioFrameEncoder m_sound;
    AVRational m_videoTimeBase{1, kDefaultVideoFps};
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
};

bool Mp4Writer::Create(const std::string& path, const std::string& shownPath, const Mp4EncodeOptions& options,
                       std::string* failure)
{
    m_shownPath = shownPath;
    av_log_set_level(AV_LOG_QUIET);
    const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
    if (!mp4) return Fail(failure, "This FFmpeg build has no MP4 writer.");
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, mp4, nullptr, path.c_str()) < 0 || !raw)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_out.reset(raw);
    // The tags are UTF-8, as FFmpeg takes them.
    if (!options.audio.title.empty())
        av_dict_set(&m_out->metadata, "title", options.audio.title.c_str(), 0);
    if (!options.audio.artist.empty())
        av_dict_set(&m_out->metadata, "artist", options.audio.artist.c_str(), 0);
    return true;
}

bool Mp4Writer::OpenAudio(int sourceRate, std::string* failure)
{
    AudioFrameEncoder::Settings settings;
    settings.encoder = "aac";
    settings.label = "AAC";
    settings.sampleRate = kAudioRate;
    settings.bitRate = int64_t(kVideoAudioKbps) * kBitsPerKilobit;
    settings.sourceRate = sourceRate;
    settings.globalHeader = GlobalHeader();
    if (!m_sound.Open(settings, failure)) return false;
    m_audioStream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_audioStream || avcodec_parameters_from_context(m_audioStream->codecpar, m_sound.Codec()) < 0)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_audioStream->time_base = m_sound.Codec()->time_base;
    return true;
}

bool Mp4Writer::Open(const AVCodecContext* video, int sourceRate, std::string* failure)
{
    m_videoTimeBase = video->time_base;
    m_videoStream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_videoStream || avcodec_parameters_from_context(m_videoStream->codecpar, video) < 0)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_videoStream->time_base = video->time_base;
    m_videoStream->avg_frame_rate = video->framerate;
    if (!OpenAudio(sourceRate, failure)) return false;

    int r = avio_open(&m_out->pb, m_out->url, AVIO_FLAG_WRITE);
    if (r < 0) return Fail(failure, "Unable to create the MP4 file \"" + m_shownPath + "\": " + AvError(r));
    // The index in front, so that players and video sites can start before the whole file is there.
    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    r = avformat_write_header(m_out.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

bool Mp4Writer::WritePicture(AVPacket* packet, std::string* failure)
{
    av_packet_rescale_ts(packet, m_videoTimeBase, m_videoStream->time_base);
    packet->stream_index = m_videoStream->index;
    const int r = av_interleaved_write_frame(m_out.get(), packet);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

bool Mp4Writer::WriteSound(AVPacket* packet, std::string* failure)
{
    av_packet_rescale_ts(packet, m_sound.Codec()->time_base, m_audioStream->time_base);
    packet->stream_index = m_audioStream->index;
    const int r = av_interleaved_write_frame(m_out.get(), packet);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

int64_t Mp4Writer::SoundPtsAt(int64_t index) const
{
    return av_rescale_q(index + 1, m_videoTimeBase, m_sound.Codec()->time_base);
}

bool Mp4Writer::Finish(std::string* failure)
{
    int r = av_write_trailer(m_out.get());
    if (r < 0) return WriteFailed(r, failure);
    r = avio_closep(&m_out->pb);
    if (r < 0) return WriteFailed(r, failure);
    return true;
}

bool SameHeaders(const AVCodecContext* a, const AVCodecContext* b)
{
    return a->extradata_size == b->extradata_size &&
           (a->extradata_size == 0 || std::memcmp(a->extradata, b->extradata, size_t(a->extradata_size)) == 0);
}

} // namespace

std::vector<uint64_t> VideoRunStarts(uint64_t frameCount, int fps, int encoders, VideoSize size)
{
    uint64_t runs = 1;
    if (encoders > 0) {
        runs = uint64_t(encoders);
    } else {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned most = size == VideoSize::Hd1080 ? kMostFullHdPictureEncoders : kMostPictureEncoders;
        runs = std::min<uint64_t>(std::min(cores, most),
                                  std::max<uint64_t>(1, frameCount / (uint64_t(fps) * kShortestRunSeconds)));
    }
    runs = std::max<uint64_t>(1, std::min(runs, frameCount));
    std::vector<uint64_t> starts;
    for (uint64_t i = 0; i < runs; ++i) starts.push_back(i * frameCount / runs);
    return starts;
}

bool EncodeMp4(std::span<const uint8_t> stream, const std::string& musicPath, const std::string& destination,
               const Mp4EncodeOptions& options, std::string* failure, bool* cancelled, uint32_t* durationMs)
{
    if (cancelled) *cancelled = false;
    if (std::find(std::begin(kVideoFrameRates), std::end(kVideoFrameRates), options.fps) == std::end(kVideoFrameRates))
        return Fail(failure, "The video frame rate " + std::to_string(options.fps) + " is not offered.");
    PcmSource source;
    if (!source.Open(musicPath) || !source.SetLength(options.audio.musicBytes)) return Fail(failure, source.FailureText());
    const WaveFormat format = source.Format();
    if (format.channels != 1 && format.channels != 2)
        return Fail(failure, "The music has " + std::to_string(format.channels) +
                                 " channels; the video takes mono or stereo music.");
    if (format.sampleRate == 0) return Fail(failure, "The music file gives no sample rate.");
    const uint64_t musicFrames = source.DataBytes() / format.FrameBytes();
    if (musicFrames == 0) return Fail(failure, "The music file holds no sound to encode.");

    AudioFeed feed(source, options.audio.leadInFrames, musicFrames, options.audio.tailFrames);
    // Frames enough to cover the sound: the video ends less than one frame after it.
    const uint64_t rate = format.sampleRate;
    const uint64_t frameCount = (feed.Total() * uint64_t(options.fps) + rate - 1) / rate;

    ReplacingFile mp4(destination);
    if (!mp4.Create()) return Fail(failure, "Unable to create the MP4 file \"" + destination + "\".");
    Mp4Writer writer;
    if (!writer.Create(mp4.TempPath(), destination, options, failure)) return false;

    // The picture in runs, each encoded by an encoder of its own: the first here, the others
    // on threads of their own. With more than one run, each encoder keeps to one thread, which
    // costs less than an encoder sharing its frames among threads.
    const std::vector<uint64_t> starts = VideoRunStarts(frameCount, options.fps, options.pictureEncoders, options.size);
    const VideoRect frameSize = VideoFrameFor(options.size);
    std::vector<std::unique_ptr<VideoSegmentEncoder>> encoders;
    for (size_t i = 0; i < starts.size(); ++i) {
        encoders.push_back(std::make_unique<VideoSegmentEncoder>(stream, frameSize, options.fps));
        if (!encoders.back()->Open(starts.size() > 1 ? 1 : 0, writer.GlobalHeader(), failure)) return false;
        if (!SameHeaders(encoders.front()->Codec(), encoders.back()->Codec()))
            return Fail(failure, "The H.264 encoders of the video's parts disagree on their settings.");
    }
    if (!writer.Open(encoders.front()->Codec(), int(rate), failure)) return false;

    std::vector<std::unique_ptr<VideoSegmentThread>> later;
    for (size_t i = 1; i < starts.size(); ++i) {
        const uint64_t end = i + 1 < starts.size() ? starts[i + 1] : frameCount;
        later.push_back(std::make_unique<VideoSegmentThread>(*encoders[i], starts[i], end));
        later.back()->Start();
    }
    // The sound is encoded on a thread of its own, a little ahead of the picture; each picture
    // goes into the file with the sound up to its end, so that the muxer keeps both in step.
    SoundEncodeThread sound(writer.Sound(), [&feed](std::vector<int16_t>& pcm, size_t& frames, std::string* why) {
        return feed.Next(kBlockFrames, pcm, frames, why);
    });
    const auto writeSound = [&writer](AVPacket* packet, std::string* why) { return writer.WriteSound(packet, why); };
    const auto writePicture = [&](AVPacket* packet, std::string* why) {
        return sound.TakeUntil(writer.SoundPtsAt(packet->pts), writeSound, why) && writer.WritePicture(packet, why);
    };
    sound.Start();

    uint64_t firstDone = 0;
    int reported = -1;
    bool stopped = false;
    const auto goOn = [&] {
        uint64_t done = firstDone;
        for (const auto& run : later) done += run->FramesDone();
        const int percent = int(done * kPercentAll / frameCount);
        if (percent != reported) {
            reported = percent;
            stopped = !ReportProgress(options.audio.progress, percent);
        }
        return !stopped;
    };
    const uint64_t firstEnd = starts.size() > 1 ? starts[1] : frameCount;
    bool ok = encoders.front()->Encode(0, firstEnd, writePicture, [&] {
        ++firstDone;
        return goOn();
    }, failure);
    for (size_t i = 0; ok && i < later.size(); ++i) ok = later[i]->TakeAll(writePicture, goOn, failure);
    if (!ok) {
        for (const auto& run : later) run->Stop();
        sound.Stop();
        if (!stopped) return false;
        if (cancelled) *cancelled = true;
        return Fail(failure, "The video export was cancelled.");
    }
    if (!sound.TakeAll(writeSound, failure)) return false;
    if (!writer.Finish(failure)) return false;
    if (!mp4.Commit()) return Fail(failure, "Unable to create the MP4 file \"" + destination + "\".");
    constexpr uint64_t kMsPerSecond = 1000;
    if (durationMs) *durationMs = uint32_t(std::min<uint64_t>(UINT32_MAX, (feed.Total() * kMsPerSecond + rate / 2) / rate));
    return true;
}
