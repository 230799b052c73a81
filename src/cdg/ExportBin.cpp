#include "cdg/ExportBin.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/StereoPcm.h"
#include "cdg/CdgFormat.h"
#include "cdg/SectorInterleaver.h"
#include "log/MLogQueue.h"
#include "log/MUserActionLog.h"
#include "media/ByteOrder.h"
#include "media/ReplacingFile.h"
#include "media/WaveStreamReader.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kExportBinAction = 2;

// The system's text with the file it concerns and the system's reason.
std::string WithReason(const char* text, const std::string& path, int cause)
{
    return std::string(text) + "\n\n\"" + path + "\": " + std::strerror(cause) + ".";
}

constexpr const char* kExportBinLogName = "Export BIN";
constexpr uint32_t kStereo16FrameBytes = 4;
constexpr size_t kPieceFrames = kBinPieceAudioBytes / kStereo16FrameBytes;
constexpr int kPercentAll = 100;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The stream bytes that go with b audio bytes of a piece.
constexpr size_t StreamBytesFor(size_t audioBytes)
{
    return audioBytes * kBinPieceStreamBytes / kBinPieceAudioBytes;
}

// Where the stream runs out for the BIN: the last piece's worth of the buffer is never read
// from, so a read of kBinPieceStreamBytes at any position below it stays inside the buffer.
bool StreamAvailableAt(uint64_t s, size_t bufferSize)
{
    return bufferSize >= kBinPieceStreamBytes && s < bufferSize - kBinPieceStreamBytes;
}

// Percentages of the whole job, counted in audio bytes of the BIN.
class PercentCounter {
public:
    explicit PercentCounter(uint64_t total) : m_total(total) {}
    int Add(uint64_t bytes)
    {
        m_done += bytes;
        return m_total == 0 ? kPercentAll : int(std::min<uint64_t>(kPercentAll, m_done * kPercentAll / m_total));
    }

private:
    uint64_t m_total;
    uint64_t m_done = 0;
};

} // namespace

BinExportResult ExportBin(const std::string& binPath, const BinExportSource& source, const ProgressCallback& progress,
                          UserPrompt& prompt)
{
    BinExportResult result;
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>(kExportBinLogName, kExportBinAction), true);

    WaveStreamReader music;
    if (!music.Open(source.musicWorkPath, source.leadIn) || !music.SetLength(source.musicDataBytes)) {
        prompt.Message(music.FailureText(), kErrorCaption, PromptIcon::Warning);
        return result;
    }
    const WaveFormat format = music.Format();
    if (format.sampleRate != kCdgSampleRate) {
        prompt.Message(kMsgBinNotAllowed, kBinNotAllowedCaption, PromptIcon::Warning);
        return result;
    }
    const uint16_t frameBytes = uint16_t(format.FrameBytes());
    const bool widen = frameBytes != kStereo16FrameBytes;

    ReplacingFile bin(binPath);
    std::unique_ptr<std::FILE, FileCloser> file;
    if (bin.Create()) file.reset(std::fopen(bin.TempPath().c_str(), "wb"));
    if (!file) {
        prompt.Message(WithReason(kMsgBinCreateFailed, binPath, errno), kErrorCaption, PromptIcon::Warning);
        return result;
    }

    SectorInterleaver interleaver;
    const bool ready = interleaver.Setup(
        [&file](std::span<const uint8_t> block) {
            return std::fwrite(block.data(), 1, block.size(), file.get()) == block.size();
        },
        kBinMinBlockSectors, kBinMaxBlockSectors);
    if (!ready) {
        prompt.Message(kMsgBinCreateFailed, kErrorCaption, PromptIcon::Warning);
        return result;
    }

    // The whole job in BIN audio bytes: the music with its lead-in, then the silent pieces
    // that carry the rest of the stream.
    const uint64_t musicFrames = music.SilentBytes() / frameBytes + music.DataBytes() / frameBytes;
    const uint64_t musicBytes = musicFrames * kStereo16FrameBytes;
    const uint64_t fullPieces = musicBytes / kBinPieceAudioBytes;
    const uint64_t streamAfterMusic = fullPieces * kBinPieceStreamBytes + StreamBytesFor(musicBytes % kBinPieceAudioBytes);
    const uint64_t tailLimit = std::min<uint64_t>(source.usedLength, source.streamBuffer.size() >= kBinPieceStreamBytes
                                                                          ? source.streamBuffer.size() - kBinPieceStreamBytes
                                                                          : 0);
    const uint64_t tailPieces =
        tailLimit > streamAfterMusic ? (tailLimit - streamAfterMusic + kBinPieceStreamBytes - 1) / kBinPieceStreamBytes : 0;
    PercentCounter percent(musicBytes + tailPieces * kBinPieceAudioBytes);

    std::vector<uint8_t> audio(kBinPieceAudioBytes);
    std::vector<uint8_t> raw(widen ? kPieceFrames * frameBytes : 0);
    std::vector<int16_t> wide(widen ? kPieceFrames * 2 : 0);
    const std::vector<uint8_t> silentStream(kBinPieceStreamBytes, 0);
    uint64_t s = 0;
    bool cancelled = false;
    bool writeFailed = false;
    int writeErrno = 0; // why the first failed write failed
    bool readFailed = false;

    auto streamAt = [&](uint64_t pos, size_t count) {
        return StreamAvailableAt(pos, source.streamBuffer.size()) ? source.streamBuffer.subspan(size_t(pos), count)
                                                                  : std::span<const uint8_t>(silentStream.data(), count);
    };
    // One piece of audio with the stream beside it into the file, then the progress. False when
    // the file could not be written or the user cancelled.
    auto feed = [&](std::span<const uint8_t> piece, size_t streamBytes) {
        if (!interleaver.Feed(piece, streamAt(s, streamBytes))) {
            writeFailed = true;
            writeErrno = errno;
            return false;
        }
        s += streamBytes;
        if (!ReportProgress(progress, percent.Add(piece.size()))) {
            cancelled = true;
            return false;
        }
        return true;
    };

    // Music pass: the lead-in and the music, 13 sectors at a time.
    for (;;) {
        size_t got = 0;
        bool readOk = true;
        if (widen) {
            readOk = music.Read(raw, got);
            const size_t frames = WidenToStereo16(std::span<const uint8_t>(raw.data(), got), format.channels,
                                                  format.bitsPerSample, wide);
            for (size_t i = 0; i < frames * 2; ++i) PutLe16(audio.data() + 2 * i, uint16_t(wide[i]));
            got = frames * kStereo16FrameBytes;
        } else {
            readOk = music.Read(audio, got);
            got -= got % kStereo16FrameBytes;
        }
        if (got > 0 && !feed(std::span<const uint8_t>(audio.data(), got), StreamBytesFor(got))) break;
        if (!readOk) readFailed = true;
        if (!readOk || got < kBinPieceAudioBytes) break;
    }

    // Tail pass: silence while the stream goes on.
    if (!cancelled && !writeFailed) {
        std::fill(audio.begin(), audio.end(), 0);
        while (s < tailLimit)
            if (!feed(audio, kBinPieceStreamBytes)) break;
    }

    if (!cancelled && !writeFailed && !interleaver.Finish()) {
        writeFailed = true;
        writeErrno = errno;
    }
    result.sectors = interleaver.SectorsWritten();
    interleaver.Release();
    music.Close();
    if (std::fclose(file.release()) != 0 && !writeFailed) {
        writeFailed = true;
        writeErrno = errno;
    }

    if (cancelled) {
        bin.Abandon();
        result.status = WorkStatus::Cancelled;
        return result;
    }
    if (writeFailed) {
        bin.Abandon();
        prompt.Message(WithReason(kMsgBinWriteFailed, binPath, writeErrno), kErrorCaption, PromptIcon::Warning);
        return result;
    }
    if (!bin.Commit()) {
        prompt.Message(WithReason(kMsgBinCreateFailed, binPath, errno), kErrorCaption, PromptIcon::Warning);
        return result;
    }
    if (readFailed) prompt.Message(kMsgBinMusicReadFailed, kErrorCaption, PromptIcon::Warning);
    result.status = WorkStatus::Done;
    return result;
}
