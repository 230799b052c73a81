#pragma once
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <vector>

#include "audio/WavFileBase.h"
#include "audio/WavHeader.h"
#include "media/InputSource.h"

// Whole-file reader of 8- and 16-bit PCM WAV files. It walks the chunks itself up to the data
// chunk and then hands out the samples as 16-bit values.
//
// A file that does not open, or whose header is bad, reports a sample rate, channel count,
// bit count and data size of 0 and reads nothing. A good header in a format that cannot be
// read (compressed, floating point, 24-bit) reports its values but reads nothing. Open says
// whether samples can be read; FailureText says why not.
class WavInFile : public WavFileBase {
public:
    WavInFile();
    ~WavInFile() override;

    bool Open(const std::string& path);
    // The bytes (or the stream) must stay alive while the file is open. A stream is read from
    // its current position and must be able to seek.
    bool Open(std::span<const uint8_t> bytes);
    // The reader would outlive a temporary block.
    bool Open(std::vector<uint8_t>&& bytes) = delete;
    bool Open(std::istream& stream);
    void Close();

    uint32_t SampleRate() const;
    uint16_t Channels() const;
    uint16_t BitsPerSample() const;
    // Sample data bytes: the data chunk's size, or what the file holds when it is shorter.
    uint32_t DataBytes() const;
    // Sample frames: 0 without a block align; the fact chunk's count for formats other than
    // PCM; else data bytes / block align.
    uint32_t SampleFrames() const;
    // Length in milliseconds, rounded to the nearest.
    uint32_t LengthMs() const;

    // Reads up to out.size() samples, never past the data chunk. 8-bit samples b become
    // (b - 128) * 256. Returns the number of samples delivered; 0 at the end or when the
    // format cannot be read.
    size_t Read(std::span<int16_t> out);
    bool AtEnd() const { return m_consumed >= m_dataBytes; }
    uint32_t DataBytesRead() const { return m_consumed; }

    // The fields as read, even from a bad header.
    const WavHeader& Header() const { return m_header; }

private:
    bool Begin();
    bool ReadHeaders();
    bool SkipChunkRest(uint64_t chunkEnd);

    InputSource m_source;
    WavHeader m_header;
    uint16_t m_subFormatTag = 0;
    bool m_headerGood = false;
    bool m_readable = false;
    uint32_t m_dataBytes = 0;
    uint32_t m_consumed = 0;
};
