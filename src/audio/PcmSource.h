#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "media/InputSource.h"
#include "media/WaveFormat.h"
#include "media/WaveStreamReader.h"

// The music an encoder reads: a RIFF/WAVE file of 8- or 16-bit PCM, or, when the first bytes
// are not "RIFF", raw samples taken as 44,100 Hz 16-bit stereo (all of the source is data).
class PcmSource {
public:
    PcmSource();
    ~PcmSource();
    PcmSource(const PcmSource&) = delete;
    PcmSource& operator=(const PcmSource&) = delete;

    bool Open(const std::string& path);
    // The bytes must stay alive while the source is open.
    bool Open(std::span<const uint8_t> bytes);
    // After Open, for a WAV: its data lasts exactly dataBytes, cut short or followed by silence
    // (kFileLength: as the file holds it). Raw samples keep their length.
    bool SetLength(uint32_t dataBytes);

    bool IsOpen() const { return m_open; }
    bool IsRaw() const { return m_raw; }
    const WaveFormat& Format() const { return m_format; }
    uint64_t DataBytes() const { return m_dataBytes; }
    // Fills out with the next sample bytes; delivered is short only at the end of the data.
    bool Read(std::span<uint8_t> out, size_t& delivered);
    const std::string& FailureText() const { return m_failure; }

private:
    bool Begin();

    std::string m_path;
    std::span<const uint8_t> m_bytes;
    InputSource m_input;
    WaveStreamReader m_wave;
    WaveFormat m_format;
    uint64_t m_dataBytes = 0;
    bool m_open = false;
    bool m_raw = false;
    std::string m_failure;
};
