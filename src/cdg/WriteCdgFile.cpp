#include "cdg/WriteCdgFile.h"

#include <algorithm>

#include "cdg/CdgFormat.h"
#include "media/AtomicFile.h"

size_t CdgFileLength(uint64_t durationMs, size_t bufferSize)
{
    const uint64_t bytes =
        durationMs == 0 ? bufferSize
                        : std::min<uint64_t>((durationMs * kCdgBytesPerSecond + kMillisecondsPerSecond / 2) /
                                                 kMillisecondsPerSecond,
                                             bufferSize);
    return size_t(bytes / kCdgPacketBytes * kCdgPacketBytes);
}

std::string CdgPathFor(const std::string& audioPath)
{
    const size_t dot = audioPath.rfind('.');
    const size_t slash = audioPath.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return audioPath + ".cdg";
    return audioPath.substr(0, dot) + ".cdg";
}

bool WriteCdgFile(const std::string& path, std::span<const uint8_t> stream, size_t length)
{
    return WriteFileAtomically(path, stream.first(std::min(length, stream.size())));
}
