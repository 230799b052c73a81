// Music decoding through FFmpeg: demux, decode, convert to interleaved 16-bit samples in the
// file's own rate and channel layout, and append them to the output file.
#include "audio/MusicDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "media/ByteOrder.h"

#include "media/FfmpegHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kOutputBits = 16;
constexpr int kStereo = 2;
constexpr size_t kWriteBufferBytes = 1 << 20;
constexpr int64_t kHundredNanosPerMicro = 10;
constexpr int64_t kHundredNanosPerMs = 10000;
constexpr uint64_t kMsPerSecond = 1000;
constexpr AVRational kHundredNanos = {1, 10000000};
// Tags are kept to this many characters, as the fixed text fields they come from.
constexpr size_t kMaxTagCharacters = 64;
// A decode that comes up this much short of the length its header states has lost its end.
constexpr int64_t kShortfallPercent = 10;
constexpr int64_t kShortfallSeconds = 1;

constexpr const char* kMsgCreateOutput = "Could not create the output file";
constexpr const char* kMsgWriteOutput = "Could not write the output file";
constexpr const char* kMsgOpenFile = "Could not open the specified file";
constexpr const char* kMsgNoAudio = "Could not get audio stream in the specified file";
constexpr const char* kMsgMediaType = "Could not get media type";
constexpr const char* kMsgStartReader = "Could not start Reader";
constexpr const char* kMsgNotRate = "Input stream is not 44,100 samples per second";
constexpr const char* kMsgNotBits = "Input stream is not 16 bits per sample";
constexpr const char* kMsgNotStereo = "Input music file is not stereo (2 channel)";
constexpr const char* kMsgReadFailed = "Could not read the music file";
constexpr const char* kMsgEndsEarly = "The music file ends before its stated length; it is truncated or damaged";
constexpr const char* kMsgTooLong = "The decoded music is longer than a WAV work file can hold (4 GB)";
constexpr const char* kMsgCancelled = "Decoding was cancelled";

// ASF layout needed to learn the size the file states for itself.
constexpr std::array<uint8_t, 16> kAsfHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::array<uint8_t, 16> kAsfFilePropertiesGuid = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                            0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr uint64_t kAsfObjectHeaderBytes = 24; // GUID and 64-bit size
constexpr uint64_t kAsfHeaderObjectBytes = 30; // plus object count and two reserved bytes
constexpr size_t kAsfFileSizeAt = 16;          // within the file properties, after the file id
constexpr size_t kAsfFlagsAt = 64;
constexpr size_t kAsfFilePropertiesBytes = 80;
constexpr uint32_t kAsfBroadcastFlag = 1; // the file size field means nothing
constexpr int kAsfMaxObjects = 1024;

// Conversion: FFmpeg's polyphase resampler with twice its usual filter length and four times
// its phases (a steeper band edge for about the same work; the SoX resampler cost a third more
// time), and high-pass triangular dither wherever the 16 bits kept are not the samples as they
// came: deeper or float samples, a new rate, channels mixed down.
constexpr int kResamplerFilterSize = 64;
constexpr int kResamplerPhaseShift = 12;
constexpr const char* kDitherMethod = "triangular_hp";
// What the resampler computes in when the samples are computed, not copied.
constexpr AVSampleFormat kComputeFormat = AV_SAMPLE_FMT_FLTP;
constexpr int kMono = 1;
constexpr int kFlushSpace = 4096;
constexpr int kMaxFlushRounds = 64;
constexpr size_t kOutputSampleBytes = kOutputBits / 8;

struct InputDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A channel layout that frees itself.
struct Layout {
    AVChannelLayout value{};
    Layout() = default;
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;
    ~Layout() { av_channel_layout_uninit(&value); }
    // The layout as given, or the usual one for its channel count when it names no order.
    void Set(const AVChannelLayout& from)
    {
        av_channel_layout_uninit(&value);
        if (from.order != AV_CHANNEL_ORDER_UNSPEC && av_channel_layout_check(&from))
            av_channel_layout_copy(&value, &from);
        else
            av_channel_layout_default(&value, from.nb_channels);
    }
};

uint64_t GetLe64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Cuts UTF-8 text after kMaxTagCharacters characters, never inside one.
std::string LimitCharacters(std::string text)
{
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && ++characters > kMaxTagCharacters) {
            text.resize(i);
            break;
        }
    }
    return text;
}

std::string Tag(const AVFormatContext& format, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(format.metadata, key, nullptr, 0);
    if (!e) {
        for (unsigned i = 0; i < format.nb_streams && !e; ++i)
            e = av_dict_get(format.streams[i]->metadata, key, nullptr, 0);
    }
    if (!e || !e->value) return {};
    return LimitCharacters(e->value);
}

void ReadFormatTags(const AVFormatContext& format, MusicTags& tags)
{
    tags.title = Tag(format, "title");
    tags.artist = Tag(format, "artist");
    if (tags.artist.empty()) tags.artist = Tag(format, "album_artist");
    if (tags.artist.empty()) tags.artist = Tag(format, "author");
    tags.brand = Tag(format, "publisher");
    tags.album = Tag(format, "album");
    // Windows Media files may carry the older "WM/Track" beside "WM/TrackNumber" (FFmpeg's "track").
    tags.track = Tag(format, "WM/Track");
    if (tags.track.empty()) tags.track = Tag(format, "track");
    tags.duration = format.duration > 0 ? format.duration * kHundredNanosPerMicro : 0;
}

// The sample size the music was made with: a lossless or PCM file says; a lossy one has none.
int SourceBits(const AVCodecParameters& par)
{
    if (par.bits_per_raw_sample > 0) return par.bits_per_raw_sample;
    return av_get_bits_per_sample(par.codec_id);
}

bool IsFloatCodec(AVCodecID id)
{
    return id == AV_CODEC_ID_PCM_F32LE || id == AV_CODEC_ID_PCM_F32BE || id == AV_CODEC_ID_PCM_F64LE ||
           id == AV_CODEC_ID_PCM_F64BE || id == AV_CODEC_ID_PCM_F16LE || id == AV_CODEC_ID_PCM_F24LE;
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

// FFmpeg's words for an error code ("Invalid data found when processing input").
std::string FfmpegReason(int code)
{
    if (code >= 0) return {};
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Why FFmpeg could not open the music at path, in words that name it: an empty file, or one no
// reader takes for music (text, a picture, a file cut off in its header), is said to be so
// rather than by the library's code ("Invalid argument").
std::string OpenFailureReason(const std::string& path, int code)
{
    const std::string named = "\"" + path + "\"";
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0 && !ec)
        return named + " is empty, not a music file";
    if (code == AVERROR(EINVAL) || code == AVERROR_INVALIDDATA || code == AVERROR_EOF)
        return named + " is not a music file, or it is damaged";
    return FfmpegReason(code);
}

std::string HoldsNoMusic(const std::string& path)
{
    return "\"" + path + "\" holds no music";
}

// An ASF file states its own size; one that is shorter has lost its end (a broken download),
// which the demuxer would pass over quietly, handing out only the first part of the music.
bool AsfFileEndsEarly(const std::string& path)
{
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) return false;
    const auto actual = static_cast<uint64_t>(std::max<long>(std::ftell(f.get()), 0));
    uint8_t head[kAsfHeaderObjectBytes];
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || std::fread(head, 1, sizeof head, f.get()) != sizeof head) return false;
    if (!std::equal(kAsfHeaderGuid.begin(), kAsfHeaderGuid.end(), head)) return false;
    const uint64_t headerEnd = std::min(GetLe64(head + kAsfHeaderGuid.size()), actual);
    uint64_t at = kAsfHeaderObjectBytes;
    for (int i = 0; i < kAsfMaxObjects && at + kAsfObjectHeaderBytes <= headerEnd; ++i) {
        uint8_t object[kAsfObjectHeaderBytes + kAsfFilePropertiesBytes];
        if (std::fseek(f.get(), long(at), SEEK_SET) != 0 ||
            std::fread(object, 1, kAsfObjectHeaderBytes, f.get()) != kAsfObjectHeaderBytes)
            return false;
        const uint64_t size = GetLe64(object + kAsfFilePropertiesGuid.size());
        if (size < kAsfObjectHeaderBytes) return false;
        if (std::equal(kAsfFilePropertiesGuid.begin(), kAsfFilePropertiesGuid.end(), object)) {
            const uint8_t* body = object + kAsfObjectHeaderBytes;
            if (std::fread(object + kAsfObjectHeaderBytes, 1, kAsfFilePropertiesBytes, f.get()) != kAsfFilePropertiesBytes)
                return true; // the header itself is cut short
            if (GetLe32(body + kAsfFlagsAt) & kAsfBroadcastFlag) return false;
            return GetLe64(body + kAsfFileSizeAt) > actual;
        }
        at += size;
    }
    return false;
}

// One channel's 16-bit samples on both sides of stereo frames, at full level.
void SpreadToStereo(const uint8_t* mono, int frames, std::vector<uint8_t>& stereo)
{
    stereo.resize(size_t(frames) * kStereo * kOutputSampleBytes);
    uint8_t* to = stereo.data();
    for (int i = 0; i < frames; ++i, mono += kOutputSampleBytes) {
        for (int side = 0; side < kStereo; ++side, to += kOutputSampleBytes) std::memcpy(to, mono, kOutputSampleBytes);
    }
}

} // namespace

MusicDecoder::MusicDecoder() = default;
MusicDecoder::~MusicDecoder() = default;

std::string MusicDecoder::FormatError(const char* text, const std::string& reason)
{
    return std::string(text) + (reason.empty() ? "" : ": " + reason) + "\n";
}

uint32_t MusicDecoder::Fail(const char* text, uint32_t status, const std::string& reason)
{
    m_errorText = FormatError(text, reason);
    return status;
}

bool MusicDecoder::ReadTags(const std::string& path, MusicTags& tags)
{
    tags = MusicTags{};
    InputPtr input;
    if (const int opened = OpenInput(path, input); opened < 0 || !input) {
        Fail(kMsgOpenFile, kStatusFail, FfmpegReason(opened));
        return false;
    }
    // A picture or a text file may open too; it has no music to describe.
    if (av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) < 0) {
        Fail(kMsgNoAudio, kStatusFail);
        return false;
    }
    ReadFormatTags(*input, tags);
    return true;
}

int64_t MusicDecoder::MeasureDuration(const std::string& path)
{
    InputPtr input;
    if (OpenInput(path, input) < 0 || !input) return 0;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0) return 0;
    const AVRational base = input->streams[stream]->time_base;
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!packet) return 0;
    int64_t first = AV_NOPTS_VALUE;
    int64_t end = 0;
    int64_t summed = 0;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && packet->duration > 0) {
            summed += packet->duration;
            if (packet->pts != AV_NOPTS_VALUE) {
                if (first == AV_NOPTS_VALUE) first = packet->pts;
                end = std::max(end, packet->pts + packet->duration);
            }
        }
        av_packet_unref(packet.get());
    }
    // Timestamps say it best; a stream without them is as long as its packets together.
    const int64_t length = first != AV_NOPTS_VALUE && end > first ? end - first : summed;
    return av_rescale_q(length, base, kHundredNanos);
}

uint32_t MusicDecoder::Decode(const std::string& path, const std::string& outputPath, const Progress& progress)
{
    m_errorText.clear();
    m_bytesWritten = 0;
    m_expectedBytes = 0;
    m_sampleRate = m_channels = m_bits = 0;
    m_tags = MusicTags{};
    m_source = AudioSourceFormat{};

    FilePtr out(std::fopen(outputPath.c_str(), "wb"));
    if (!out) return Fail(kMsgCreateOutput, kStatusFail, std::strerror(errno));
    const std::vector<uint8_t> room(kWavHeaderBytes, 0);
    if (std::fwrite(room.data(), 1, room.size(), out.get()) != room.size())
        return Fail(kMsgCreateOutput, kStatusFail, std::strerror(errno));

    InputPtr input;
    if (const int opened = OpenInput(path, input); opened < 0 || !input)
        return Fail(kMsgOpenFile, kStatusFail, OpenFailureReason(path, opened));
    ReadFormatTags(*input, m_tags);
    if (input->iformat && std::string_view(input->iformat->name) == "asf" && AsfFileEndsEarly(path))
        return Fail(kMsgEndsEarly, kStatusEndOfFile, "\"" + path + "\"");

    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) return Fail(kMsgNoAudio, kStatusFail, HoldsNoMusic(path));
    const AVStream* audio = input->streams[stream];
    const AVCodecParameters* par = audio->codecpar;
    m_source.rate = par->sample_rate;
    m_source.channels = par->ch_layout.nb_channels;
    m_source.bits = SourceBits(*par);
    m_source.isFloat = IsFloatCodec(par->codec_id);
    if (m_source.rate <= 0 || m_source.channels <= 0) return Fail(kMsgMediaType, kStatusFail);
    m_sampleRate = m_convert ? kWorkFileRate : par->sample_rate;
    m_channels = m_convert ? kStereo : par->ch_layout.nb_channels;
    m_bits = kOutputBits;
    const bool deep = m_source.isFloat || m_source.bits > kOutputBits;

    if (m_tags.duration > 0 && m_sampleRate > 0)
        m_expectedBytes = uint64_t(m_tags.duration / kHundredNanosPerMs) * uint64_t(m_sampleRate) *
                          uint64_t(BlockAlign()) / kMsPerSecond;
    if (!m_acceptAnyRate && m_sampleRate != kWorkFileRate) return Fail(kMsgNotRate, kStatusNotImplemented);
    if (!m_acceptAnySampleSize && m_bits != kOutputBits) return Fail(kMsgNotBits, kStatusNotImplemented);
    if (!m_acceptAnyChannels && m_channels != kStereo) return Fail(kMsgNotStereo, kStatusNotImplemented);
    if (m_sampleRate <= 0 || m_channels <= 0) return Fail(kMsgMediaType, kStatusFail);

    std::unique_ptr<AVCodecContext, CodecDeleter> ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0 || avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return Fail(kMsgStartReader, kStatusFail);

    // Every frame becomes interleaved 16-bit samples in the layout and rate found above, even if
    // a frame arrives in another (streams may change mid-way); the work file has one format.
    Layout outLayout;
    if (!m_convert && ctx->ch_layout.nb_channels == m_channels)
        outLayout.Set(ctx->ch_layout);
    else
        av_channel_layout_default(&outLayout.value, m_channels);
    Layout inLayout;
    int inFormat = AV_SAMPLE_FMT_NONE;
    int inRate = 0;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    // Mono music is converted as one channel and put on both sides after: the two sides stay
    // the same samples, dither and all.
    bool spreadMono = false;

    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    if (!packet || !frame) return Fail(kMsgStartReader, kStatusFail);
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> spread;
    std::vector<uint8_t> pending;
    pending.reserve(kWriteBufferBytes);
    int lastPercent = -1;
    bool writeFailed = false;
    bool tooLong = false;

    auto flushPending = [&] {
        if (!pending.empty() && std::fwrite(pending.data(), 1, pending.size(), out.get()) != pending.size())
            writeFailed = true;
        pending.clear();
    };
    auto deliver = [&](const uint8_t* data, size_t bytes) {
        if (m_bytesWritten + bytes > kMaxDecodedBytes) {
            tooLong = true;
            return;
        }
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
    // in == nullptr takes out what the resampler still holds.
    auto convert = [&](const AVFrame* in) {
        if (!swr) return;
        const int inSamples = in ? in->nb_samples : 0;
        // A resampler may give back what it holds over several calls.
        for (int round = 0; round < kMaxFlushRounds; ++round) {
            const int space = std::max(swr_get_out_samples(swr.get(), inSamples), kFlushSpace);
            pcm.resize(size_t(space) * size_t(BlockAlign()));
            uint8_t* dst[1] = {pcm.data()};
            const int got = swr_convert(swr.get(), dst, space,
                                        in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, inSamples);
            if (got > 0 && spreadMono) {
                SpreadToStereo(pcm.data(), got, spread);
                deliver(spread.data(), spread.size());
            } else if (got > 0) {
                deliver(pcm.data(), size_t(got) * size_t(BlockAlign()));
            }
            if (in || got <= 0) break;
        }
    };
    auto resamplerFor = [&](const AVFrame& f) {
        if (f.nb_samples <= 0 || f.sample_rate <= 0 || f.ch_layout.nb_channels <= 0) return false;
        Layout layout;
        layout.Set(f.ch_layout);
        if (swr && f.format == inFormat && f.sample_rate == inRate &&
            av_channel_layout_compare(&layout.value, &inLayout.value) == 0)
            return true;
        convert(nullptr);
        swr.reset();
        // Whatever position the one channel names, it goes through unmixed, at full level.
        spreadMono = m_convert && layout.value.nb_channels == kMono && m_channels == kStereo;
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, spreadMono ? &mono : &outLayout.value, AV_SAMPLE_FMT_S16, m_sampleRate,
                                spreadMono ? &mono : &layout.value, AVSampleFormat(f.format), f.sample_rate, 0,
                                nullptr) < 0)
            return false;
        swr.reset(raw);
        if (m_convert) {
            av_opt_set_int(raw, "filter_size", kResamplerFilterSize, 0);
            av_opt_set_int(raw, "phase_shift", kResamplerPhaseShift, 0);
            // Given 16-bit (or 8-bit) samples to make 16-bit ones, libswresample filters and mixes
            // in 16-bit integers and rounds at every step: a 48 kHz tone came out with broadband
            // noise and spurs some 6 dB above a careful conversion. New samples are worked out in
            // floating point instead (as deeper samples already are) and dithered once, to 16
            // bits, at the end. The dither's noise comes from fixed seeds, so the same music
            // always gives the same work file. Samples only copied (the same rate, one or two
            // channels) stay exact.
            const bool computed = f.sample_rate != m_sampleRate || layout.value.nb_channels > kStereo;
            if (computed && av_get_bytes_per_sample(AVSampleFormat(f.format)) <= int(kOutputSampleBytes))
                av_opt_set_sample_fmt(raw, "internal_sample_fmt", kComputeFormat, 0);
            if (deep || computed) av_opt_set(raw, "dither_method", kDitherMethod, 0);
        }
        if (swr_init(swr.get()) < 0) {
            swr.reset();
            return false;
        }
        inLayout.Set(layout.value);
        inFormat = f.format;
        inRate = f.sample_rate;
        return true;
    };
    auto drain = [&] {
        while (avcodec_receive_frame(ctx.get(), frame.get()) == 0) {
            // A frame the converter cannot take is dropped, as a damaged one would be.
            if (resamplerFor(*frame)) convert(frame.get());
            av_frame_unref(frame.get());
        }
    };

    int readStatus = 0;
    while (!writeFailed && !tooLong) {
        if (m_cancelled && m_cancelled()) return Fail(kMsgCancelled, kStatusCancelled);
        readStatus = av_read_frame(input.get(), packet.get());
        if (readStatus < 0) break;
        // A packet the decoder refuses is skipped: one damaged frame should not cost the song.
        if (packet->stream_index == stream && avcodec_send_packet(ctx.get(), packet.get()) >= 0) drain();
        av_packet_unref(packet.get());
    }
    if (readStatus == AVERROR(EIO)) return Fail(kMsgReadFailed, kStatusFail);
    if (!tooLong) {
        avcodec_send_packet(ctx.get(), nullptr);
        drain();
        convert(nullptr);
    }
    if (tooLong) return Fail(kMsgTooLong, kStatusFileTooLarge);
    flushPending();
    std::FILE* file = out.release();
    if (std::fclose(file) != 0 || writeFailed) return Fail(kMsgWriteOutput, kStatusFail);
    if (m_bytesWritten == 0) return Fail(kMsgNoAudio, kStatusFail, HoldsNoMusic(path));

    // A header that states a length (not one guessed from the bit rate) and a decode far
    // shorter than it: the file has lost its end.
    if (audio->duration != AV_NOPTS_VALUE && audio->duration > 0 &&
        input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        const int64_t stated = av_rescale_q(audio->duration, audio->time_base, AVRational{1, m_sampleRate});
        const auto decoded = int64_t(m_bytesWritten / uint64_t(BlockAlign()));
        const int64_t allowed = std::max<int64_t>(stated * kShortfallPercent / 100, kShortfallSeconds * m_sampleRate);
        if (stated - decoded > allowed) return Fail(kMsgEndsEarly, kStatusEndOfFile, "\"" + path + "\"");
    }
    if (progress && lastPercent < 100) progress(100);
    return kStatusOk;
}
