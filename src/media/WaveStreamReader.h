#pragma once
#include <array>
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <vector>

#include "media/InputSource.h"
#include "media/WaveFormat.h"

// A data length meaning "as the file holds it".
inline constexpr uint32_t kFileLength = UINT32_MAX;

// The one reader of WAV files. It gives the header's facts (format, data size, length) and
// streams the sample data of an 8- or 16-bit PCM file in pieces, optionally preceded by a number
// of silent sample frames (the lead-in that the player and the exports put in front of the
// music). It finds the chunks by the RIFF rules: the format, data and fact chunks are each
// searched from the start of the RIFF form, in any order, odd-sized chunks padded to even
// offsets; chunks it does not know (a LIST chunk before or after the data) are passed over.
//
// The data can be given another length than the file's (SetLength): the song's music is as long
// as its stream needs, and the part the file does not hold is read as silence, so that the
// music file itself never has to be lengthened.
//
// Open, Reset and Read return false on failure and FailureText says why; callers stop
// streaming then. A file whose header is complete but whose samples cannot be streamed
// (compressed, floating point, 24-bit) still reports its format, data size and length; any
// other failed Open reports zeros.
class WaveStreamReader {
public:
    WaveStreamReader();
    ~WaveStreamReader();
    WaveStreamReader(const WaveStreamReader&) = delete;
    WaveStreamReader& operator=(const WaveStreamReader&) = delete;

    bool Open(const std::string& path, uint32_t silentFrames = 0);
    // The bytes (or the stream) must stay alive while the reader is open. A stream is read
    // from its current position and must be able to seek.
    bool Open(std::span<const uint8_t> bytes, uint32_t silentFrames = 0);
    // The reader would outlive a temporary block.
    bool Open(std::vector<uint8_t>&& bytes, uint32_t silentFrames = 0) = delete;
    bool Open(std::istream& stream, uint32_t silentFrames = 0);
    // After Open: the data lasts exactly dataBytes (rounded down to whole frames), cut short or
    // followed by silence. kFileLength keeps the file's own length. Back at the start.
    bool SetLength(uint32_t dataBytes);
    // Back to the start of the silence and the data.
    bool Reset();
    // Fills out with what comes next: silence first, then sample data. delivered is less than
    // out.size() only at the end of the data (or on failure).
    bool Read(std::span<uint8_t> out, size_t& delivered);
    void Close();

    bool IsOpen() const { return m_source.IsOpen(); }
    const WaveFormat& Format() const { return m_format; }
    // The format chunk's bytes after the first 16 (empty for plain PCM).
    const std::vector<uint8_t>& ExtraFormatBytes() const { return m_extra; }
    // Sample data bytes: the data chunk's size, or what the file holds when it is shorter, or
    // the length SetLength gave.
    uint32_t DataBytes() const { return m_dataBytes; }
    // Of those, the bytes the file holds (the rest is silence).
    uint32_t FileDataBytes() const { return m_fileDataBytes; }
    // Sample frames of the file's data, whatever SetLength gave: the fact chunk's count for a
    // format other than PCM, else whole frames of the data the file holds.
    uint32_t SampleFrames() const;
    // The file's length in milliseconds, rounded to the nearest.
    uint32_t LengthMs() const;
    uint64_t DataLeft() const { return m_dataLeft + (m_bufferEnd - m_bufferPos) + (m_tailBytes - m_tailDelivered); }
    uint64_t SilentBytes() const { return m_silentBytes; }
    const std::string& FailureText() const { return m_failure; }

private:
    bool Begin(uint32_t silentFrames);
    bool ReadHeader();
    bool FindChunk(const std::array<uint8_t, 4>& id, uint64_t& dataStart, uint32_t& size);
    bool Fail(const std::string& text);
    bool Refill();

    InputSource m_source;
    WaveFormat m_format;
    std::vector<uint8_t> m_extra;
    uint16_t m_subFormatTag = 0;
    uint32_t m_factFrames = 0;
    uint32_t m_riffSize = 0;
    uint64_t m_dataStart = 0;
    uint32_t m_dataBytes = 0;
    uint32_t m_fileDataBytes = 0;
    uint32_t m_heldBytes = 0; // what the file holds of the data chunk
    uint64_t m_tailBytes = 0; // silence after the file's data
    uint64_t m_tailDelivered = 0;
    uint64_t m_dataLeft = 0; // not yet in the buffer
    uint64_t m_silentBytes = 0;
    uint64_t m_silentDelivered = 0;
    uint8_t m_silence = 0;
    std::vector<uint8_t> m_buffer;
    size_t m_bufferPos = 0;
    size_t m_bufferEnd = 0;
    std::string m_failure;
};
