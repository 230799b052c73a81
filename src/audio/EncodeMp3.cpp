// MP3 encoding through the run-time loaded encoder library.
#include "audio/EncodeMp3.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "audio/LameLibrary.h"
#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "media/ReplacingFile.h"
#include "text/Utf8.h"

namespace {

// A title or artist tag from UTF-8 text: in ISO-8859-1 (both tag versions) when every character
// fits it, else as a version 2 frame in UTF-16, the form version 2.3 readers take.
void SetTag(const LameEntryPoints& api, lame_t lame, const char* frame, void (*setLatin1)(lame_t, const char*),
            const std::string& text)
{
    if (text.empty()) return;
    std::string latin1;
    std::vector<unsigned short> utf16{0xFEFF};
    bool fitsLatin1 = true;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        i += NextCodePoint(text, i, cp);
        fitsLatin1 = fitsLatin1 && cp <= 0xFF;
        latin1.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
        if (cp >= 0x10000) {
            utf16.push_back(static_cast<unsigned short>(0xD800 + ((cp - 0x10000) >> 10)));
            utf16.push_back(static_cast<unsigned short>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            utf16.push_back(static_cast<unsigned short>(cp));
        }
    }
    utf16.push_back(0);
    if (fitsLatin1 || !api.id3tagSetTextInfoUtf16) {
        if (setLatin1) setLatin1(lame, latin1.c_str());
        return;
    }
    api.id3tagSetTextInfoUtf16(lame, frame, utf16.data());
}

// Half a second of 16-bit stereo at 44,100 Hz per encoder call, and room for what the encoder
// can return for it (its worst case is 1.25 x samples + 7,200 bytes).
constexpr size_t kBlockFrames = 22050;
constexpr size_t kOutputBufferBytes = 132300;
constexpr int kPercentAll = 100;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The encoder state, closed however the encoding ends.
class LameState {
public:
    explicit LameState(const LameEntryPoints& api) : m_api(api), m_state(api.init ? api.init() : nullptr) {}
    ~LameState()
    {
        if (m_state) m_api.close(m_state);
    }
    LameState(const LameState&) = delete;
    LameState& operator=(const LameState&) = delete;
    lame_t Get() const { return m_state; }

private:
    const LameEntryPoints& m_api;
    lame_t m_state;
};

bool Fail(std::string* failure, const std::string& text)
{
    if (failure) *failure = text;
    return false;
}

bool Encode(PcmSource& source, const std::string& destination, const AudioEncodeOptions& options,
            std::string* failure)
{
    LameLibrary& lib = LameLibrary::Instance();
    std::shared_lock lock(lib.Lock());
    if (!lib.HasRequired()) return Fail(failure, "MP3 encoding is not available: the MP3 encoder library is not loaded.");
    const LameEntryPoints& api = lib.Entry();

    LameState lame(api);
    if (!lame.Get()) return Fail(failure, "The MP3 encoder could not be started.");
    if (api.setBrate) api.setBrate(lame.Get(), options.kbps);
    if (api.id3tagInit) {
        api.id3tagInit(lame.Get());
        if (api.id3tagAddV2) api.id3tagAddV2(lame.Get());
        SetTag(api, lame.Get(), "TIT2", api.id3tagSetTitle, options.title);
        SetTag(api, lame.Get(), "TPE1", api.id3tagSetArtist, options.artist);
    }

    if (!source.IsOpen()) return Fail(failure, source.FailureText());
    const WaveFormat format = source.Format();
    if (format.channels != 1 && format.channels != 2)
        return Fail(failure, "The music has " + std::to_string(format.channels) +
                                 " channels; MP3 encoding takes mono or stereo music.");
    if (source.DataBytes() == 0) return Fail(failure, "The music file holds no sound to encode.");

    // Writes fail with errno saying why (a full disk, a file size limit).
    const auto writeFailed = [&] {
        return Fail(failure, "Unable to write the MP3 file " + ShownName(destination, options) + ": " +
                                 std::strerror(errno) + ".");
    };
    ReplacingFile mp3(destination);
    std::unique_ptr<std::FILE, FileCloser> out;
    // Read and write: the info frame is written back into the start of the file at the end.
    if (mp3.Create()) out.reset(std::fopen(mp3.TempPath().c_str(), "w+b"));
    if (!out)
        return Fail(failure, "Unable to create the MP3 file " + ShownName(destination, options) + ": " +
                                 std::strerror(errno) + ".");

    api.setInSamplerate(lame.Get(), int(format.sampleRate));
    api.setNumChannels(lame.Get(), format.channels);
    if (api.initParams(lame.Get()) < 0)
        return Fail(failure, "The MP3 encoder does not accept this music (" + std::to_string(format.sampleRate) +
                                 " Hz, " + std::to_string(options.kbps) + " kbps).");

    const uint32_t frameBytes = format.FrameBytes();
    const uint64_t total = uint64_t(source.DataBytes()) + uint64_t(options.tailFrames) * frameBytes;
    uint64_t done = 0;
    int lastPercent = -1;
    std::vector<uint8_t> raw(kBlockFrames * frameBytes);
    std::vector<int16_t> pcm(kBlockFrames * 2);
    std::vector<unsigned char> mp3Bytes(kOutputBufferBytes);

    auto encodeFrames = [&](size_t frames) -> bool {
        const int n = api.encodeBufferInterleaved(lame.Get(), pcm.data(), int(frames), mp3Bytes.data(), int(mp3Bytes.size()));
        if (n < 0) return Fail(failure, "The MP3 encoder failed (error " + std::to_string(n) + ").");
        if (n > 0 && std::fwrite(mp3Bytes.data(), 1, size_t(n), out.get()) != size_t(n))
            return writeFailed();
        return true;
    };
    auto counted = [&](uint64_t bytes) -> bool {
        done += bytes;
        const int percent = int(std::min<uint64_t>(kPercentAll, done * kPercentAll / total));
        if (percent == lastPercent) return true;
        lastPercent = percent;
        if (!ReportProgress(options.progress, percent)) return Fail(failure, "The MP3 encoding was cancelled.");
        return true;
    };

    // Lead-in silence, the music, then the tail silence; only music and tail count as progress.
    std::fill(pcm.begin(), pcm.end(), 0);
    for (uint64_t left = options.leadInFrames; left > 0;) {
        const size_t frames = size_t(std::min<uint64_t>(left, kBlockFrames));
        if (!encodeFrames(frames)) return false;
        left -= frames;
    }
    for (;;) {
        size_t got = 0;
        const bool readOk = source.Read(raw, got);
        if (!readOk) return Fail(failure, source.FailureText());
        const size_t frames = WidenToStereo16(std::span<const uint8_t>(raw.data(), got), format.channels,
                                              format.bitsPerSample, pcm);
        if (frames > 0 && (!encodeFrames(frames) || !counted(got))) return false;
        if (got < raw.size()) break;
    }
    std::fill(pcm.begin(), pcm.end(), 0);
    for (uint64_t left = options.tailFrames; left > 0;) {
        const size_t frames = size_t(std::min<uint64_t>(left, kBlockFrames));
        if (!encodeFrames(frames) || !counted(uint64_t(frames) * frameBytes)) return false;
        left -= frames;
    }

    const int n = api.encodeFlush(lame.Get(), mp3Bytes.data(), int(mp3Bytes.size()));
    if (n < 0) return Fail(failure, "The MP3 encoder failed (error " + std::to_string(n) + ").");
    if (n > 0 && std::fwrite(mp3Bytes.data(), 1, size_t(n), out.get()) != size_t(n))
        return writeFailed();
    if (api.mp3TagsFid) api.mp3TagsFid(lame.Get(), out.get());
    const bool flushed = std::fflush(out.get()) == 0 && !std::ferror(out.get());
    const bool closed = std::fclose(out.release()) == 0;
    if (!flushed || !closed) return writeFailed();
    if (!mp3.Commit()) return writeFailed();
    if (lastPercent < kPercentAll) ReportProgress(options.progress, kPercentAll);
    return true;
}

} // namespace

bool EncodeMp3(const std::string& sourcePath, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure)
{
    PcmSource source;
    if (source.Open(sourcePath)) source.SetLength(options.musicBytes);
    return Encode(source, destination, options, failure);
}

bool EncodeMp3(std::span<const uint8_t> source, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure)
{
    PcmSource pcm;
    if (pcm.Open(source)) pcm.SetLength(options.musicBytes);
    return Encode(pcm, destination, options, failure);
}
