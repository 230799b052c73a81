#pragma once
#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "audio/WavHeader.h"

// Writer of 8- and 16-bit PCM WAV files with the fixed 56-byte header (format, fact and data
// chunks). The sizes in the header are 0 while writing and are filled in when the file is
// closed; destroying the writer closes it.
class WavOutFile {
public:
    WavOutFile();
    ~WavOutFile();
    WavOutFile(const WavOutFile&) = delete;
    WavOutFile& operator=(const WavOutFile&) = delete;

    // Replaces the file. False (and nothing created) for a sample size other than 8 or 16,
    // no channels or a rate of 0, or when the file cannot be opened.
    bool Create(const std::string& path, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels);
    // Writes into a stream the caller owns; it must be able to seek back to where the header
    // starts (its position now) and must outlive the writer.
    bool Create(std::ostream& stream, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels);

    // Appends samples. 8-bit files store s / 256 + 128 (the division truncating toward zero).
    // False when the writer is not open, the write fails, or the file would pass 4 GB (then
    // none of these samples is written).
    bool Write(std::span<const int16_t> samples);
    // Completes the header and closes. True when every write and the header succeeded.
    bool Close();

    bool IsOpen() const { return m_out != nullptr; }
    uint32_t DataBytes() const { return m_written; }
    const WavHeader& Header() const { return m_header; }
    // Why the last Create, Write or Close failed; empty when nothing has failed since Create.
    const std::string& FailureText() const { return m_failure; }

private:
    bool Begin(std::ostream& stream, uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels);
    bool CheckFormat(uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels);
    bool Put(const void* bytes, size_t count);
    void SetFailure(std::string text) { m_failure = std::move(text); }

    std::vector<char> m_fileBuffer;
    std::vector<uint8_t> m_converted; // samples in the file's form, a piece at a time
    std::unique_ptr<std::ofstream> m_file;
    std::ostream* m_out = nullptr;
    std::streamoff m_start = 0;
    WavHeader m_header;
    uint32_t m_written = 0;
    bool m_failed = false;
    std::string m_failure;
};
