#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Base of the WAV writer: a scratch buffer that grows on demand,
// and the text of the last failure (the files report failures in their values; the text says
// why, for whoever wants to show it).
class WavFileBase {
public:
    virtual ~WavFileBase();
    WavFileBase(const WavFileBase&) = delete;
    WavFileBase& operator=(const WavFileBase&) = delete;

    // Empty when nothing has failed since the file was opened or created.
    const std::string& FailureText() const { return m_failure; }

protected:
    WavFileBase();

    // A block of at least bytes bytes. The old block is kept when it is large enough; otherwise
    // it is replaced by one of (bytes + 15) rounded down to a multiple of 8.
    uint8_t* GetBuffer(size_t bytes);

    void SetFailure(std::string text) { m_failure = std::move(text); }
    void ClearFailure() { m_failure.clear(); }

private:
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_bufferSize = 0;
    std::string m_failure;
};
