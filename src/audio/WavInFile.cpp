#include "audio/WavInFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "media/ByteOrder.h"
#include "media/WavTexts.h"

namespace {

// A real WAV file has a handful of chunks; walking more than this is reading garbage.
constexpr int kMaxChunks = 4096;
// 8-bit samples are converted through the scratch buffer in pieces of this many bytes, so that
// a large request never allocates more than this.
constexpr size_t kConvertBytes = size_t(32) << 10;

bool IsChunkIdByte(uint8_t b)
{
    return b >= kChunkIdLowest && b <= kChunkIdHighest;
}

} // namespace

WavInFile::WavInFile() = default;

WavInFile::~WavInFile() = default;

bool WavInFile::Open(const std::string& path)
{
    Close();
    if (!m_source.OpenFile(path)) {
        SetFailure(WavOpenFailureText(path, false));
        return false;
    }
    return Begin();
}

bool WavInFile::Open(std::span<const uint8_t> bytes)
{
    Close();
    m_source.OpenMemory(bytes);
    return Begin();
}

bool WavInFile::Open(std::istream& stream)
{
    Close();
    if (!m_source.Attach(stream)) {
        SetFailure(kMsgWavCorrupt);
        return false;
    }
    return Begin();
}

void WavInFile::Close()
{
    m_source.Close();
    m_header = WavHeader{};
    m_subFormatTag = 0;
    m_headerGood = false;
    m_readable = false;
    m_dataBytes = 0;
    m_consumed = 0;
    ClearFailure();
}

bool WavInFile::Begin()
{
    if (m_source.Size() > kMaxWavFileBytes) {
        SetFailure(kMsgWavTooLarge);
        m_source.Close();
        return false;
    }
    if (!ReadHeaders()) {
        SetFailure(kMsgWavCorrupt);
        m_source.Close();
        return false;
    }
    m_headerGood = true;
    // A data chunk that claims more than the file holds reads what is there.
    m_dataBytes = static_cast<uint32_t>(std::min<uint64_t>(m_header.dataSize, m_source.Left()));
    const std::string problem = WavFormatProblem(m_header.format, m_subFormatTag);
    if (!problem.empty()) {
        SetFailure(problem);
        m_source.Close();
        return false;
    }
    m_readable = true;
    return true;
}

bool WavInFile::SkipChunkRest(uint64_t chunkEnd)
{
    return chunkEnd <= m_source.Size() && m_source.Seek(chunkEnd);
}

bool WavInFile::ReadHeaders()
{
    uint8_t preamble[kRiffPreambleBytes];
    if (!m_source.ReadExact(preamble, sizeof preamble)) return false;
    std::copy(preamble, preamble + kChunkIdBytes, m_header.riffId.begin());
    m_header.riffSize = GetLe32(preamble + kChunkIdBytes);
    std::copy(preamble + kChunkHeaderBytes, preamble + kRiffPreambleBytes, m_header.formType.begin());
    if (m_header.riffId != kRiffId || m_header.formType != kWaveId) return false;

    bool haveFormat = false;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        uint8_t head[kChunkHeaderBytes];
        if (!m_source.ReadExact(head, sizeof head)) return false;
        if (!std::all_of(head, head + kChunkIdBytes, IsChunkIdByte)) return false;
        std::array<uint8_t, 4> id;
        std::copy(head, head + kChunkIdBytes, id.begin());
        const uint32_t size = GetLe32(head + kChunkIdBytes);
        // Chunks start on even offsets: an odd-sized chunk is followed by a pad byte.
        const uint64_t end = m_source.Position() + size + (size & 1u);

        if (id == kFmtId) {
            m_header.fmtId = id;
            m_header.formatSize = size;
            uint8_t block[WaveFormat::kBytes] = {};
            const uint32_t n = std::min(size, WaveFormat::kBytes);
            if (!m_source.ReadExact(block, n)) return false;
            m_header.format = WaveFormat::FromBytes(block);
            haveFormat = true;
            if (m_header.format.formatTag == kWaveFormatExtensible && size >= kExtensibleFormatBytes) {
                uint8_t extra[kExtraSizeBytes + kExtensibleExtraBytes];
                if (!m_source.ReadExact(extra, sizeof extra)) return false;
                m_subFormatTag = SubFormatTag(extra + kExtraSizeBytes + kSubFormatOffset);
            }
            if (!SkipChunkRest(end)) return false;
        } else if (id == kFactId) {
            m_header.factId = id;
            m_header.factSize = size;
            uint8_t count[kFactBytes] = {};
            if (!m_source.ReadExact(count, std::min(size, kFactBytes))) return false;
            m_header.sampleFrames = GetLe32(count);
            if (!SkipChunkRest(end)) return false;
        } else if (id == kDataId) {
            m_header.dataId = id;
            m_header.dataSize = size;
            return haveFormat;
        } else if (!SkipChunkRest(end)) {
            return false;
        }
    }
    return false;
}

uint32_t WavInFile::SampleRate() const
{
    return m_headerGood ? m_header.format.sampleRate : 0;
}

uint16_t WavInFile::Channels() const
{
    return m_headerGood ? m_header.format.channels : 0;
}

uint16_t WavInFile::BitsPerSample() const
{
    return m_headerGood ? m_header.format.bitsPerSample : 0;
}

uint32_t WavInFile::DataBytes() const
{
    return m_headerGood ? m_dataBytes : 0;
}

uint32_t WavInFile::SampleFrames() const
{
    if (!m_headerGood || m_header.format.blockAlign == 0) return 0;
    if (EffectiveFormatTag(m_header.format, m_subFormatTag) > kWaveFormatPcm) return m_header.sampleFrames;
    return m_dataBytes / m_header.format.blockAlign;
}

uint32_t WavInFile::LengthMs() const
{
    const uint32_t rate = SampleRate();
    if (rate == 0) return 0;
    constexpr uint64_t kMsPerSecond = 1000;
    // frames * 1000 / rate + 0.5, truncated, in whole numbers.
    return static_cast<uint32_t>((uint64_t(SampleFrames()) * kMsPerSecond * 2 + rate) / (uint64_t(rate) * 2));
}

size_t WavInFile::Read(std::span<int16_t> out)
{
    if (!m_readable) return 0; // FailureText already says why
    const uint32_t left = m_dataBytes - m_consumed;
    if (m_header.format.bitsPerSample == kBits8) {
        const size_t want = std::min<size_t>(out.size(), left);
        size_t done = 0;
        while (done < want) {
            const size_t piece = std::min(want - done, kConvertBytes);
            uint8_t* bytes = GetBuffer(piece);
            const size_t got = m_source.Read(bytes, piece);
            for (size_t i = 0; i < got; ++i)
                out[done + i] = static_cast<int16_t>((int(bytes[i]) - kSample8Centre) * kSample8Scale);
            done += got;
            m_consumed += static_cast<uint32_t>(got);
            if (got < piece) break;
        }
        return done;
    }
    const size_t want = std::min<size_t>(out.size() * 2, left) & ~size_t(1);
    const size_t got = m_source.Read(out.data(), want);
    m_consumed += static_cast<uint32_t>(got);
    const size_t samples = got / 2;
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(GetLe16(reinterpret_cast<uint8_t*>(&out[i])));
    }
    return samples;
}
