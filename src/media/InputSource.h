#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <vector>

class MemoryStreamBuf;

// Where a reader takes its bytes from: a file it opens itself, a block of memory, or a
// seekable stream that the caller owns. Positions count from where the source started
// (the stream's position when it was attached). The size is learnt once, when it opens.
class InputSource {
public:
    InputSource();
    ~InputSource();
    InputSource(const InputSource&) = delete;
    InputSource& operator=(const InputSource&) = delete;

    // Each opener closes what was open. False when the file cannot be opened or the stream
    // cannot seek.
    bool OpenFile(const std::string& path);
    // The bytes must stay alive while the source is open.
    bool OpenMemory(std::span<const uint8_t> bytes);
    bool Attach(std::istream& stream);
    void Close();

    bool IsOpen() const { return m_in != nullptr; }
    uint64_t Size() const { return m_size; }
    uint64_t Position() const { return m_pos; }
    uint64_t Left() const { return m_pos < m_size ? m_size - m_pos : 0; }
    // False for a position beyond the end or when the stream refuses.
    bool Seek(uint64_t position);
    // Reads up to count bytes and returns how many arrived: fewer only at the end of the
    // source or on a read error (then Failed() is true).
    size_t Read(void* out, size_t count);
    bool ReadExact(void* out, size_t count) { return Read(out, count) == count; }
    bool Failed() const { return m_failed; }

private:
    bool Start(std::istream& stream);

    std::unique_ptr<std::istream> m_owned;
    std::unique_ptr<MemoryStreamBuf> m_memory;
    std::vector<char> m_fileBuffer;
    std::istream* m_in = nullptr;
    std::streamoff m_base = 0;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
    bool m_failed = false;
};
