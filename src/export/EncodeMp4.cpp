// MP4 encoding through FFmpeg: libx264 for the picture, the native AAC encoder for the sound,
// the MP4 muxer with the index moved to the front.
#include "export/EncodeMp4.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "export/SoundEncodeThread.h"
#include "media/AudioFrameEncoder.h"
#include "media/FfmpegHandles.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
}

#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "cdg/CdgFormat.h"
#include "media/ReplacingFile.h"
#include "player/MRwStreamSnapshot.h"
#include "text/Cp1252.h"

namespace {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
constexpr int kBitsPerKilobit = 1000;
constexpr size_t kBlockFrames = 4096;
constexpr int kPercentAll = 100;
// The screen is shown at 4:3, as the viewer shows it.
constexpr int kScreenAspectWidth = 4;
constexpr int kScreenAspectHeight = 3;
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

// BT.709 limited range: what players assume for HD pictures (and the stream says so too).
struct Yuv {
    uint8_t y = 16;
    uint8_t u = 128;
    uint8_t v = 128;
};

Yuv ToYuv(uint8_t r, uint8_t g, uint8_t b)
{
    constexpr double kKr = 0.2126, kKb = 0.0722, kKg = 1.0 - kKr - kKb;
    constexpr double kLumaRange = 219.0, kChromaRange = 224.0, kFull = 255.0;
    constexpr double kLumaFloor = 16.0, kChromaZero = 128.0;
    const double luma = (kKr * r + kKg * g + kKb * b) / kFull;
    const double cb = (b / kFull - luma) / (2.0 * (1.0 - kKb));
    const double cr = (r / kFull - luma) / (2.0 * (1.0 - kKr));
    auto clamp = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    return {clamp(kLumaFloor + kLumaRange * luma), clamp(kChromaZero + kChromaRange * cb),
            clamp(kChromaZero + kChromaRange * cr)};
}

// The player's screen as YUV 4:2:0 frames: nearest-neighbour scaled into the picture area,
// the rest in the border colour. Only the rows the screen changed in are built again, since
// most frames of a karaoke song differ from the last one in a line or two, or not at all.
class ScreenPainter {
public:
    ScreenPainter(int frameWidth, int frameHeight)
        : m_width(frameWidth), m_height(frameHeight), m_area(FitCdgScreen(frameWidth, frameHeight))
    {
        for (int x = 0; x < m_area.width; ++x) m_sourceColumn.push_back(x * kCdgScreenWidth / m_area.width);
        for (int y = 0; y < m_area.height; ++y) m_sourceRow.push_back(y * kCdgScreenHeight / m_area.height);
        m_screenYuv.resize(size_t(kCdgScreenWidth) * kCdgScreenHeight);
    }

    // Brings frame up to date with screen; false when nothing changed since the last call.
    bool Paint(const RgbImage& screen, AVFrame* frame)
    {
        const size_t rowBytes = size_t(kCdgScreenWidth) * RgbImage::kBytesPerPixel;
        const bool first = m_last.pixels.empty();
        const bool borderChanged = first || std::memcmp(screen.pixels.data(), m_last.pixels.data(), 3) != 0;
        std::vector<bool> changed(kCdgScreenHeight, borderChanged);
        bool any = borderChanged;
        for (int sy = 0; sy < kCdgScreenHeight; ++sy) {
            const size_t at = size_t(sy) * rowBytes;
            if (!first && std::memcmp(screen.pixels.data() + at, m_last.pixels.data() + at, rowBytes) == 0) continue;
            changed[size_t(sy)] = true;
            any = true;
            for (int sx = 0; sx < kCdgScreenWidth; ++sx) {
                const size_t i = at + size_t(sx) * RgbImage::kBytesPerPixel;
                m_screenYuv[size_t(sy) * kCdgScreenWidth + size_t(sx)] =
                    ToYuv(screen.pixels[i], screen.pixels[i + 1], screen.pixels[i + 2]);
            }
        }
        if (!any) return false;
        m_last = screen;
        m_border = m_screenYuv[0];
        // Chroma rows are built from pairs of luma rows; the area starts on an even row.
        for (int cy = 0; cy < m_height / 2; ++cy) {
            const int y0 = 2 * cy - m_area.y, y1 = y0 + 1;
            const bool inside = y0 >= 0 && y1 < m_area.height;
            if (!borderChanged) {
                if (!inside) continue;
                if (!changed[size_t(m_sourceRow[size_t(y0)])] && !changed[size_t(m_sourceRow[size_t(y1)])]) continue;
            }
            PaintRows(frame, cy, inside ? m_sourceRow[size_t(y0)] : -1, inside ? m_sourceRow[size_t(y1)] : -1);
        }
        return true;
    }

private:
    void PaintRows(AVFrame* frame, int cy, int sy0, int sy1)
    {
        uint8_t* luma[2] = {frame->data[0] + size_t(2 * cy) * size_t(frame->linesize[0]),
                            frame->data[0] + size_t(2 * cy + 1) * size_t(frame->linesize[0])};
        uint8_t* u = frame->data[1] + size_t(cy) * size_t(frame->linesize[1]);
        uint8_t* v = frame->data[2] + size_t(cy) * size_t(frame->linesize[2]);
        if (sy0 < 0) {
            std::memset(luma[0], m_border.y, size_t(m_width));
            std::memset(luma[1], m_border.y, size_t(m_width));
            std::memset(u, m_border.u, size_t(m_width / 2));
            std::memset(v, m_border.v, size_t(m_width / 2));
            return;
        }
        const int left = m_area.x, right = m_area.x + m_area.width;
        for (uint8_t* row : luma) {
            std::memset(row, m_border.y, size_t(left));
            std::memset(row + right, m_border.y, size_t(m_width - right));
        }
        std::memset(u, m_border.u, size_t(left / 2));
        std::memset(v, m_border.v, size_t(left / 2));
        std::memset(u + right / 2, m_border.u, size_t((m_width - right) / 2));
        std::memset(v + right / 2, m_border.v, size_t((m_width - right) / 2));
        const Yuv* top = m_screenYuv.data() + size_t(sy0) * kCdgScreenWidth;
        const Yuv* bottom = m_screenYuv.data() + size_t(sy1) * kCdgScreenWidth;
        for (int x = 0; x < m_area.width; x += 2) {
            const int sx0 = m_sourceColumn[size_t(x)], sx1 = m_sourceColumn[size_t(x) + 1];
            const Yuv& a = top[sx0];
            const Yuv& b = top[sx1];
            const Yuv& c = bottom[sx0];
            const Yuv& d = bottom[sx1];
            luma[0][left + x] = a.y;
            luma[0][left + x + 1] = b.y;
            luma[1][left + x] = c.y;
            luma[1][left + x + 1] = d.y;
            // Rounded mean of the four, as a 4:2:0 conversion takes it.
            u[(left + x) / 2] = uint8_t((a.u + b.u + c.u + d.u + 2) / 4);
            v[(left + x) / 2] = uint8_t((a.v + b.v + c.v + d.v + 2) / 4);
        }
    }

    int m_width;
    int m_height;
    VideoRect m_area;
    std::vector<int> m_sourceColumn;
    std::vector<int> m_sourceRow;
    std::vector<Yuv> m_screenYuv;
    RgbImage m_last;
    Yuv m_border;
};

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

// The muxer, the picture's encoder and the sound's encoder (which the caller runs on a thread
// of its own).
class Mp4Writer {
public:
    bool Open(const std::string& path, int sourceRate, const Mp4EncodeOptions& options, std::string* failure);
    AVFrame* Picture() { return m_picture.get(); }
    // Makes the picture writable again after the encoder has seen it.
    bool PreparePicture(std::string* failure);
    bool WritePicture(int64_t index, std::string* failure);
    AudioFrameEncoder& Sound() { return m_sound; }
    // A packet of the sound's encoder into the file.
    bool WriteSound(AVPacket* packet, std::string* failure);
    // The sound's time base units at the end of picture index.
    int64_t SoundPtsAt(int64_t index) const;
    bool Finish(std::string* failure);

private:
    bool OpenVideo(const Mp4EncodeOptions& options, std::string* failure);
    bool OpenAudio(int sourceRate, std::string* failure);
    bool SendPicture(AVFrame* frame, std::string* failure);

    std::unique_ptr<AVFormatContext, OutputDeleter> m_out;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_video;
    AudioFrameEncoder m_sound;
    std::unique_ptr<AVFrame, FrameDeleter> m_picture;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    AVStream* m_videoStream = nullptr;
    AVStream* m_audioStream = nullptr;
};

bool Mp4Writer::OpenVideo(const Mp4EncodeOptions& options, std::string* failure)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder) return Fail(failure, "This FFmpeg build has no H.264 encoder (libx264).");
    m_video.reset(avcodec_alloc_context3(encoder));
    if (!m_video) return Fail(failure, "The H.264 encoder could not be set up.");
    const VideoRect frame = VideoFrameFor(options.size);
    m_video->width = frame.width;
    m_video->height = frame.height;
    m_video->pix_fmt = AV_PIX_FMT_YUV420P;
    m_video->time_base = AVRational{1, options.fps};
    m_video->framerate = AVRational{options.fps, 1};
    m_video->gop_size = options.fps * kKeyFrameSeconds;
    m_video->color_range = AVCOL_RANGE_MPEG;
    m_video->colorspace = AVCOL_SPC_BT709;
    m_video->color_primaries = AVCOL_PRI_BT709;
    m_video->color_trc = AVCOL_TRC_BT709;
    if (m_out->oformat->flags & AVFMT_GLOBALHEADER) m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(m_video->priv_data, "preset", kVideoPreset, 0);
    av_opt_set(m_video->priv_data, "crf", kVideoCrf, 0);
    const int r = avcodec_open2(m_video.get(), encoder, nullptr);
    if (r < 0) return Fail(failure, "The H.264 encoder refused its settings: " + AvError(r));

    m_videoStream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_videoStream || avcodec_parameters_from_context(m_videoStream->codecpar, m_video.get()) < 0)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_videoStream->time_base = m_video->time_base;
    m_videoStream->avg_frame_rate = m_video->framerate;

    m_picture.reset(av_frame_alloc());
    if (!m_picture) return Fail(failure, "Out of memory while setting up the H.264 encoder.");
    m_picture->format = m_video->pix_fmt;
    m_picture->width = frame.width;
    m_picture->height = frame.height;
    m_picture->color_range = m_video->color_range;
    m_picture->colorspace = m_video->colorspace;
    m_picture->color_primaries = m_video->color_primaries;
    m_picture->color_trc = m_video->color_trc;
    if (av_frame_get_buffer(m_picture.get(), 0) < 0) return Fail(failure, "Out of memory while encoding the video.");
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
    settings.globalHeader = (m_out->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    if (!m_sound.Open(settings, failure)) return false;
    m_audioStream = avformat_new_stream(m_out.get(), nullptr);
    if (!m_audioStream || avcodec_parameters_from_context(m_audioStream->codecpar, m_sound.Codec()) < 0)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_audioStream->time_base = m_sound.Codec()->time_base;
    return true;
}

bool Mp4Writer::Open(const std::string& path, int sourceRate, const Mp4EncodeOptions& options, std::string* failure)
{
    av_log_set_level(AV_LOG_QUIET);
    const AVOutputFormat* mp4 = av_guess_format("mp4", nullptr, nullptr);
    if (!mp4) return Fail(failure, "This FFmpeg build has no MP4 writer.");
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, mp4, nullptr, path.c_str()) < 0 || !raw)
        return Fail(failure, "The MP4 writer could not be set up.");
    m_out.reset(raw);
    // The tags are UTF-8 to FFmpeg; the song keeps Windows-1252.
    if (!options.audio.title.empty())
        av_dict_set(&m_out->metadata, "title", Cp1252ToUtf8(options.audio.title).c_str(), 0);
    if (!options.audio.artist.empty())
        av_dict_set(&m_out->metadata, "artist", Cp1252ToUtf8(options.audio.artist).c_str(), 0);
    if (!OpenVideo(options, failure) || !OpenAudio(sourceRate, failure)) return false;
    m_packet.reset(av_packet_alloc());
    if (!m_packet) return Fail(failure, "Out of memory while setting up the MP4 writer.");

    int r = avio_open(&m_out->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return Fail(failure, "Unable to create the MP4 file: " + AvError(r));
    // The index in front, so that players and video sites can start before the whole file is there.
    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    r = avformat_write_header(m_out.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    if (r < 0) return Fail(failure, "Unable to write the MP4 file: " + AvError(r));
    return true;
}

bool Mp4Writer::SendPicture(AVFrame* frame, std::string* failure)
{
    int r = avcodec_send_frame(m_video.get(), frame);
    if (r < 0) return Fail(failure, "The H.264 encoder failed: " + AvError(r));
    while ((r = avcodec_receive_packet(m_video.get(), m_packet.get())) == 0) {
        av_packet_rescale_ts(m_packet.get(), m_video->time_base, m_videoStream->time_base);
        m_packet->stream_index = m_videoStream->index;
        r = av_interleaved_write_frame(m_out.get(), m_packet.get());
        if (r < 0) return Fail(failure, "Unable to write the MP4 file: " + AvError(r));
    }
    if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) return Fail(failure, "The H.264 encoder failed: " + AvError(r));
    return true;
}

bool Mp4Writer::PreparePicture(std::string* failure)
{
    if (av_frame_make_writable(m_picture.get()) < 0) return Fail(failure, "Out of memory while encoding the video.");
    return true;
}

bool Mp4Writer::WritePicture(int64_t index, std::string* failure)
{
    m_picture->pts = index;
    return SendPicture(m_picture.get(), failure);
}

bool Mp4Writer::WriteSound(AVPacket* packet, std::string* failure)
{
    av_packet_rescale_ts(packet, m_sound.Codec()->time_base, m_audioStream->time_base);
    packet->stream_index = m_audioStream->index;
    const int r = av_interleaved_write_frame(m_out.get(), packet);
    if (r < 0) return Fail(failure, "Unable to write the MP4 file: " + AvError(r));
    return true;
}

int64_t Mp4Writer::SoundPtsAt(int64_t index) const
{
    return av_rescale_q(index + 1, m_video->time_base, m_sound.Codec()->time_base);
}

bool Mp4Writer::Finish(std::string* failure)
{
    if (!SendPicture(nullptr, failure)) return false;
    int r = av_write_trailer(m_out.get());
    if (r < 0) return Fail(failure, "Unable to write the MP4 file: " + AvError(r));
    r = avio_closep(&m_out->pb);
    if (r < 0) return Fail(failure, "Unable to write the MP4 file: " + AvError(r));
    return true;
}

} // namespace

VideoRect VideoFrameFor(VideoSize size)
{
    constexpr VideoRect k720{0, 0, 1280, 720};
    constexpr VideoRect k1080{0, 0, 1920, 1080};
    return size == VideoSize::Hd1080 ? k1080 : k720;
}

VideoRect FitCdgScreen(int frameWidth, int frameHeight)
{
    int width = frameWidth, height = frameWidth * kScreenAspectHeight / kScreenAspectWidth;
    if (height > frameHeight) {
        height = frameHeight;
        width = frameHeight * kScreenAspectWidth / kScreenAspectHeight;
    }
    // Even sizes and offsets: each 2 x 2 block of a 4:2:0 picture lies wholly inside or outside.
    width &= ~1;
    height &= ~1;
    return {((frameWidth - width) / 2) & ~1, ((frameHeight - height) / 2) & ~1, width, height};
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
    if (!writer.Open(mp4.TempPath(), int(rate), options, failure)) return false;
    const VideoRect frameSize = VideoFrameFor(options.size);
    ScreenPainter painter(frameSize.width, frameSize.height);
    MRwStreamSnapshot player(stream);

    // The sound is encoded on a thread of its own, a little ahead of the picture; each picture
    // goes into the file with the sound up to its end, so that the muxer keeps both in step.
    SoundEncodeThread sound(writer.Sound(), [&feed](std::vector<int16_t>& pcm, size_t& frames, std::string* why) {
        return feed.Next(kBlockFrames, pcm, frames, why);
    });
    const auto writeSound = [&writer](AVPacket* packet, std::string* why) { return writer.WriteSound(packet, why); };
    sound.Start();
    int reported = -1;
    bool painted = false;
    for (uint64_t k = 0; k < frameCount; ++k) {
        if (!sound.TakeUntil(writer.SoundPtsAt(int64_t(k)), writeSound, failure)) return false;
        // The player's clock at this frame, in sample frames of the CD+G timing.
        const size_t packets = player.PacketsAtClock(k * kCdgSampleRate / uint64_t(options.fps));
        if (!painted || packets != player.ExecutedCount()) {
            player.ExecuteUntil(packets);
            const RgbImage& screen = player.Show();
            if (!writer.PreparePicture(failure)) return false;
            painter.Paint(screen, writer.Picture());
            painted = true;
        }
        if (!writer.WritePicture(int64_t(k), failure)) return false;
        const int percent = int((k + 1) * kPercentAll / frameCount);
        if (percent != reported) {
            reported = percent;
            if (!ReportProgress(options.audio.progress, percent)) {
                if (cancelled) *cancelled = true;
                return Fail(failure, "The video export was cancelled.");
            }
        }
    }
    if (!sound.TakeAll(writeSound, failure)) return false;
    if (!writer.Finish(failure)) return false;
    if (!mp4.Commit()) return Fail(failure, "Unable to create the MP4 file \"" + destination + "\".");
    constexpr uint64_t kMsPerSecond = 1000;
    if (durationMs) *durationMs = uint32_t(std::min<uint64_t>(UINT32_MAX, (feed.Total() * kMsPerSecond + rate / 2) / rate));
    return true;
}
