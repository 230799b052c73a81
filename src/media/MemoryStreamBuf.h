#pragma once
#include <cstdint>
#include <span>
#include <streambuf>

// A read-only, seekable stream buffer over bytes the caller keeps alive, so that stream readers
// can take memory as well as files.
class MemoryStreamBuf : public std::streambuf {
public:
    explicit MemoryStreamBuf(std::span<const uint8_t> bytes);

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    std::streamsize xsgetn(char_type* out, std::streamsize count) override;
};
