#include "media/WaveStreamReader.h"

#include <algorithm>
#include <cstring>

#include "media/ByteOrder.h"
#include "media/WavConstants.h"
#include "media/WavTexts.h"

namespace {

// The reader's own I/O buffer.
constexpr size_t kBufferBytes = size_t(64) << 10;
// A real WAV file has a handful of chunks; walking more than this is reading garbage.
constexpr int kMaxChunks = 4096;

} // namespace

WaveStreamReader::WaveStreamReader() = default;

WaveStreamReader::~WaveStreamReader() = default;

bool WaveStreamReader::Open(const std::string& path, uint32_t silentFrames)
{
    Close();
    if (!m_source.OpenFile(path)) return Fail(WavOpenFailureText(path, false));
    return Begin(silentFrames);
}

bool WaveStreamReader::Open(std::span<const uint8_t> bytes, uint32_t silentFrames)
{
    Close();
    m_source.OpenMemory(bytes);
    return Begin(silentFrames);
}

bool WaveStreamReader::Open(std::istream& stream, uint32_t silentFrames)
{
    Close();
    if (!m_source.Attach(stream)) return Fail(kMsgWavCorrupt);
    return Begin(silentFrames);
}

void WaveStreamReader::Close()
{
    m_source.Close();
    m_format = WaveFormat{};
    m_extra.clear();
    m_subFormatTag = 0;
    m_factFrames = 0;
    m_riffSize = 0;
    m_dataStart = 0;
    m_dataBytes = 0;
    m_fileDataBytes = 0;
    m_heldBytes = 0;
    m_tailBytes = 0;
    m_tailDelivered = 0;
    m_dataLeft = 0;
    m_silentBytes = 0;
    m_silentDelivered = 0;
    m_bufferPos = m_bufferEnd = 0;
    m_failure.clear();
}

bool WaveStreamReader::Fail(const std::string& text)
{
    m_source.Close();
    m_failure = text;
    return false;
}

bool WaveStreamReader::FindChunk(const std::array<uint8_t, 4>& id, uint64_t& dataStart, uint32_t& size)
{
    // Search from the first chunk inside the RIFF form. The RIFF size is often wrong (0 in a
    // file whose writer never finished), so the end of the file bounds the search.
    uint64_t pos = kRiffPreambleBytes;
    for (int chunk = 0; chunk < kMaxChunks && pos + kChunkHeaderBytes <= m_source.Size(); ++chunk) {
        uint8_t head[kChunkHeaderBytes];
        if (!m_source.Seek(pos) || !m_source.ReadExact(head, sizeof head)) return false;
        size = GetLe32(head + kChunkIdBytes);
        if (std::equal(id.begin(), id.end(), head)) {
            dataStart = pos + kChunkHeaderBytes;
            return true;
        }
        pos += kChunkHeaderBytes + uint64_t(size) + (size & 1u);
    }
    return false;
}

bool WaveStreamReader::ReadHeader()
{
    uint8_t preamble[kRiffPreambleBytes];
    if (!m_source.ReadExact(preamble, sizeof preamble) ||
        !std::equal(kRiffId.begin(), kRiffId.end(), preamble) ||
        !std::equal(kWaveId.begin(), kWaveId.end(), preamble + kChunkHeaderBytes))
        return false;
    m_riffSize = GetLe32(preamble + kChunkIdBytes);

    uint64_t fmtStart = 0;
    uint32_t fmtSize = 0;
    if (!FindChunk(kFmtId, fmtStart, fmtSize) || fmtSize < WaveFormat::kBytes) return false;
    uint8_t block[WaveFormat::kBytes];
    if (!m_source.Seek(fmtStart) || !m_source.ReadExact(block, sizeof block)) return false;
    m_format = WaveFormat::FromBytes(block);
    // Plain PCM has no extra bytes; any other format says how many follow, and they must lie
    // within the chunk.
    if (m_format.formatTag != kWaveFormatPcm && fmtSize >= WaveFormat::kBytes + kExtraSizeBytes) {
        uint8_t sizeBytes[kExtraSizeBytes];
        if (!m_source.ReadExact(sizeBytes, sizeof sizeBytes)) return false;
        const uint16_t extraBytes = GetLe16(sizeBytes);
        if (extraBytes > fmtSize - WaveFormat::kBytes - kExtraSizeBytes) return false;
        m_extra.resize(extraBytes);
        if (!m_source.ReadExact(m_extra.data(), extraBytes)) return false;
    }
    if (m_format.formatTag == kWaveFormatExtensible && m_extra.size() >= kExtensibleExtraBytes)
        m_subFormatTag = SubFormatTag(m_extra.data() + kSubFormatOffset);

    // A compressed file's frame count is in its fact chunk; PCM files need none.
    uint64_t factStart = 0;
    uint32_t factSize = 0;
    if (FindChunk(kFactId, factStart, factSize) && factSize >= kFactBytes) {
        uint8_t count[kFactBytes];
        if (m_source.Seek(factStart) && m_source.ReadExact(count, sizeof count)) m_factFrames = GetLe32(count);
    }

    uint32_t dataSize = 0;
    if (!FindChunk(kDataId, m_dataStart, dataSize)) return false;
    // A data chunk that claims more than the file holds streams what is there.
    m_dataBytes = static_cast<uint32_t>(std::min<uint64_t>(dataSize, m_source.Size() - std::min(m_dataStart, m_source.Size())));
    m_fileDataBytes = m_heldBytes = m_dataBytes;
    return true;
}

bool WaveStreamReader::Begin(uint32_t silentFrames)
{
    if (m_source.Size() > kMaxWavFileBytes) return Fail(kMsgWavTooLarge);
    if (!ReadHeader()) {
        // A header cut short tells nothing reliable: report no format and no data.
        Close();
        return Fail(kMsgWavCorrupt);
    }
    const std::string problem = WavFormatProblem(m_format, m_subFormatTag);
    if (!problem.empty()) return Fail(problem);

    m_silentBytes = uint64_t(silentFrames) * m_format.FrameBytes();
    // Unsigned 8-bit samples are silent at their centre value, not at 0.
    m_silence = m_format.bitsPerSample == kBits8 ? uint8_t(kSample8Centre) : uint8_t(0);
    m_buffer.resize(kBufferBytes);
    if (!Reset()) return Fail(kMsgWavReadFailed);
    return true;
}

uint32_t WaveStreamReader::SampleFrames() const
{
    if (EffectiveFormatTag(m_format, m_subFormatTag) > kWaveFormatPcm) return m_factFrames;
    const uint32_t frameBytes = m_format.FrameBytes();
    return frameBytes == 0 ? 0 : m_heldBytes / frameBytes;
}

uint32_t WaveStreamReader::LengthMs() const
{
    const uint32_t rate = m_format.sampleRate;
    if (rate == 0) return 0;
    constexpr uint64_t kMsPerSecond = 1000;
    // frames * 1000 / rate + 0.5, truncated, in whole numbers.
    return static_cast<uint32_t>((uint64_t(SampleFrames()) * kMsPerSecond * 2 + rate) / (uint64_t(rate) * 2));
}

bool WaveStreamReader::SetLength(uint32_t dataBytes)
{
    if (!m_source.IsOpen()) return false;
    const uint32_t frameBytes = std::max<uint32_t>(1, m_format.FrameBytes());
    m_dataBytes = dataBytes == kFileLength ? m_heldBytes : dataBytes / frameBytes * frameBytes;
    m_fileDataBytes = std::min(m_heldBytes, m_dataBytes);
    m_tailBytes = m_dataBytes - m_fileDataBytes;
    return Reset();
}

bool WaveStreamReader::Reset()
{
    if (!m_source.IsOpen()) return false;
    m_silentDelivered = 0;
    m_tailDelivered = 0;
    m_bufferPos = m_bufferEnd = 0;
    m_dataLeft = m_fileDataBytes;
    if (!m_source.Seek(m_dataStart)) {
        m_failure = kMsgWavReadFailed;
        return false;
    }
    return true;
}

bool WaveStreamReader::Refill()
{
    const size_t want = static_cast<size_t>(std::min<uint64_t>(m_buffer.size(), m_dataLeft));
    const size_t got = m_source.Read(m_buffer.data(), want);
    m_bufferPos = 0;
    m_bufferEnd = got;
    m_dataLeft -= got;
    return got > 0;
}

bool WaveStreamReader::Read(std::span<uint8_t> out, size_t& delivered)
{
    delivered = 0;
    if (!m_source.IsOpen()) return false;

    const size_t silent = static_cast<size_t>(std::min<uint64_t>(out.size(), m_silentBytes - m_silentDelivered));
    if (silent > 0) std::memset(out.data(), m_silence, silent);
    m_silentDelivered += silent;
    delivered = silent;

    while (delivered < out.size()) {
        if (m_bufferPos == m_bufferEnd) {
            if (m_dataLeft == 0) {
                const size_t tail = static_cast<size_t>(std::min<uint64_t>(out.size() - delivered, m_tailBytes - m_tailDelivered));
                if (tail > 0) std::memset(out.data() + delivered, m_silence, tail);
                m_tailDelivered += tail;
                delivered += tail;
                break;
            }
            const size_t wanted = out.size() - delivered;
            if (wanted >= m_buffer.size()) {
                // A large request goes straight into the caller's memory.
                const size_t n = static_cast<size_t>(std::min<uint64_t>(wanted, m_dataLeft));
                const size_t got = m_source.Read(out.data() + delivered, n);
                delivered += got;
                m_dataLeft -= got;
                if (got < n) {
                    m_failure = kMsgWavReadFailed;
                    return false;
                }
                continue;
            }
            if (!Refill()) {
                m_failure = kMsgWavReadFailed;
                return false;
            }
        }
        const size_t n = std::min(out.size() - delivered, m_bufferEnd - m_bufferPos);
        std::memcpy(out.data() + delivered, m_buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        delivered += n;
    }
    return true;
}
