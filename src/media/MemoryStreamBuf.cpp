#include "media/MemoryStreamBuf.h"

#include <algorithm>
#include <cstring>

MemoryStreamBuf::MemoryStreamBuf(std::span<const uint8_t> bytes)
{
    // The get area is never written through; streambuf just has no const flavour.
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(begin, begin, begin + bytes.size());
}

MemoryStreamBuf::pos_type MemoryStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                   std::ios_base::openmode which)
{
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    off_type base = 0;
    if (dir == std::ios_base::cur) base = gptr() - eback();
    else if (dir == std::ios_base::end) base = egptr() - eback();
    const off_type size = egptr() - eback();
    if (off < -base || off > size - base) return pos_type(off_type(-1));
    setg(eback(), eback() + base + off, egptr());
    return pos_type(base + off);
}

MemoryStreamBuf::pos_type MemoryStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which)
{
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

std::streamsize MemoryStreamBuf::xsgetn(char_type* out, std::streamsize count)
{
    const std::streamsize n = std::min<std::streamsize>(count, egptr() - gptr());
    if (n <= 0) return 0;
    std::memcpy(out, gptr(), static_cast<size_t>(n));
    setg(eback(), gptr() + n, egptr()); // gbump takes an int, too small for large blocks
    return n;
}
