#include "audio/PcmSource.h"

#include <algorithm>

#include "media/WavConstants.h"
#include "media/WavTexts.h"

namespace {

constexpr uint32_t kRawRate = 44100;
constexpr uint16_t kRawChannels = 2;
constexpr uint16_t kRawBits = 16;

} // namespace

PcmSource::PcmSource() = default;

PcmSource::~PcmSource() = default;

bool PcmSource::Open(const std::string& path)
{
    m_path = path;
    m_bytes = {};
    if (!m_input.OpenFile(path)) {
        m_failure = WavOpenFailureText(path, false);
        return false;
    }
    return Begin();
}

bool PcmSource::Open(std::span<const uint8_t> bytes)
{
    m_path.clear();
    m_bytes = bytes;
    m_input.OpenMemory(bytes);
    return Begin();
}

bool PcmSource::Begin()
{
    uint8_t head[kRiffPreambleBytes] = {};
    const size_t got = m_input.Read(head, sizeof head);
    m_raw = got < kChunkIdBytes || !std::equal(kRiffId.begin(), kRiffId.end(), head);
    if (m_raw) {
        m_format.formatTag = kWaveFormatPcm;
        m_format.channels = kRawChannels;
        m_format.sampleRate = kRawRate;
        m_format.bitsPerSample = kRawBits;
        m_format.blockAlign = uint16_t(kRawChannels * kRawBits / 8);
        m_format.byteRate = kRawRate * m_format.blockAlign;
        m_dataBytes = m_input.Size();
        if (!m_input.Seek(0)) {
            m_failure = kMsgWavReadFailed;
            return false;
        }
        m_open = true;
        return true;
    }
    m_input.Close();
    const bool opened = m_path.empty() ? m_wave.Open(m_bytes) : m_wave.Open(m_path);
    if (!opened) {
        m_failure = m_wave.FailureText();
        return false;
    }
    m_format = m_wave.Format();
    m_dataBytes = m_wave.DataBytes();
    m_open = true;
    return true;
}

bool PcmSource::SetLength(uint32_t dataBytes)
{
    if (!m_open) return false;
    if (m_raw || dataBytes == kFileLength) return true;
    if (!m_wave.SetLength(dataBytes)) {
        m_failure = m_wave.FailureText();
        return false;
    }
    m_dataBytes = m_wave.DataBytes();
    return true;
}

bool PcmSource::Read(std::span<uint8_t> out, size_t& delivered)
{
    delivered = 0;
    if (!m_open) return false;
    if (!m_raw) {
        if (!m_wave.Read(out, delivered)) {
            m_failure = m_wave.FailureText();
            return false;
        }
        return true;
    }
    delivered = m_input.Read(out.data(), out.size());
    if (m_input.Failed()) {
        m_failure = kMsgWavReadFailed;
        return false;
    }
    return true;
}
