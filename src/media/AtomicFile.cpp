#include "media/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "media/SiblingTempFile.h"

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

mode_t NewFileMode()
{
    // A saved file gets the usual permissions of a new file, never read-only for its owner.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return (0666 & ~mask) | S_IWUSR | S_IRUSR;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    const std::filesystem::path target(path);
    std::string tmp;
    const int fd = CreateSiblingTemp(path, tmp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ok && ::fchmod(fd, NewFileMode()) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int cause = errno; // for the caller's message
        ::unlink(tmp.c_str());
        ForgetSiblingTemp(tmp);
        ::close(fd);
        errno = cause;
        return false;
    }
    // The lock on the temporary file goes with the descriptor, only after the rename.
    ForgetSiblingTemp(tmp);
    ::close(fd);
    // Make the rename itself durable.
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, f);
        if (n > 0) {
            if (out.size() + n > maxBytes) {
                ok = false;
                break;
            }
            out.insert(out.end(), chunk, chunk + n);
        }
        if (n < sizeof chunk) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    return ok;
}
