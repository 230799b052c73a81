#include "audio/WavOutFile.h"

#include <algorithm>
#include <bit>

#include "media/ByteOrder.h"
#include "media/WavTexts.h"

namespace {

constexpr size_t kFileBufferBytes = size_t(64) << 10;
// Samples are converted through the scratch buffer in pieces of this many samples.
constexpr size_t kConvertSamples = size_t(16) << 10;

} // namespace

WavOutFile::WavOutFile() = default;

WavOutFile::~WavOutFile()
{
    Close();
}

bool WavOutFile::CheckFormat(uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels)
{
    if (bitsPerSample != kBits8 && bitsPerSample != kBits16) {
        SetFailure(WavSampleSizeText(bitsPerSample));
        return false;
    }
    if (channels == 0 || sampleRate == 0) {
        SetFailure(kMsgWavBadFormat);
        return false;
    }
    return true;
}

bool WavOutFile::Create(const std::string& path, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels)
{
    Close();
    m_failure.clear();
    if (!CheckFormat(sampleRate, bitsPerSample, channels)) return false;
    m_fileBuffer.resize(kFileBufferBytes);
    auto file = std::make_unique<std::ofstream>();
    file->rdbuf()->pubsetbuf(m_fileBuffer.data(), static_cast<std::streamsize>(m_fileBuffer.size()));
    file->open(path, std::ios::binary | std::ios::trunc);
    if (!file->is_open()) {
        SetFailure(WavOpenFailureText(path, true));
        return false;
    }
    m_file = std::move(file);
    if (!Begin(*m_file, sampleRate, bitsPerSample, channels)) {
        m_file.reset();
        return false;
    }
    return true;
}

bool WavOutFile::Create(std::ostream& stream, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels)
{
    Close();
    m_failure.clear();
    if (!CheckFormat(sampleRate, bitsPerSample, channels)) return false;
    return Begin(stream, sampleRate, bitsPerSample, channels);
}

bool WavOutFile::Begin(std::ostream& stream, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels)
{
    m_start = stream.tellp();
    if (m_start < 0) {
        SetFailure(kMsgWavWriteFailed);
        return false;
    }
    m_out = &stream;
    m_header = WavHeader::ForPcm(sampleRate, bitsPerSample, channels);
    m_written = 0;
    m_failed = false;
    const auto bytes = m_header.ToBytes();
    if (!Put(bytes.data(), bytes.size())) {
        m_out = nullptr;
        return false;
    }
    return true;
}

bool WavOutFile::Put(const void* bytes, size_t count)
{
    m_out->write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    if (!*m_out) {
        m_failed = true;
        SetFailure(kMsgWavWriteFailed);
        return false;
    }
    return true;
}

bool WavOutFile::Write(std::span<const int16_t> samples)
{
    if (!m_out || m_failed) return false;
    if (samples.empty()) return true;
    const uint32_t sampleBytes = m_header.format.bitsPerSample / 8;
    if (samples.size() > (kMaxWavOutDataBytes - m_written) / sampleBytes) {
        SetFailure(kMsgWavOutTooLarge);
        return false;
    }
    if (m_header.format.bitsPerSample == kBits16 && std::endian::native == std::endian::little) {
        if (!Put(samples.data(), samples.size() * 2)) return false;
        m_written += static_cast<uint32_t>(samples.size() * 2);
        return true;
    }
    for (size_t done = 0; done < samples.size();) {
        const size_t piece = std::min(samples.size() - done, kConvertSamples);
        m_converted.resize(std::max(m_converted.size(), piece * sampleBytes));
        uint8_t* bytes = m_converted.data();
        if (sampleBytes == 1) {
            for (size_t i = 0; i < piece; ++i)
                bytes[i] = static_cast<uint8_t>(samples[done + i] / kSample8Scale + kSample8Centre);
        } else {
            for (size_t i = 0; i < piece; ++i) PutLe16(bytes + 2 * i, static_cast<uint16_t>(samples[done + i]));
        }
        if (!Put(bytes, piece * sampleBytes)) return false;
        m_written += static_cast<uint32_t>(piece * sampleBytes);
        done += piece;
    }
    return true;
}

bool WavOutFile::Close()
{
    if (!m_out) return false;
    bool ok = !m_failed;
    m_header.SetDataBytes(m_written);
    const auto bytes = m_header.ToBytes();
    const std::streamoff end = m_out->tellp();
    m_out->seekp(m_start);
    ok = ok && static_cast<bool>(*m_out) && Put(bytes.data(), bytes.size());
    if (end >= 0) m_out->seekp(end);
    m_out->flush();
    ok = ok && static_cast<bool>(*m_out);
    if (m_file) {
        m_file->close();
        ok = ok && !m_file->fail();
        m_file.reset();
    }
    m_out = nullptr;
    if (!ok && FailureText().empty()) SetFailure(kMsgWavWriteFailed);
    return ok;
}
