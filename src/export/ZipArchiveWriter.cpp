// The ZIP archive of the compressed exports, through minizip (deflate from zlib).
#include "export/ZipArchiveWriter.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <vector>
#include <zip.h>

#include "media/ReplacingFile.h"
#include "text/Utf8.h"

namespace {

constexpr size_t kCopyBytes = size_t(256) << 10;
// General purpose flag bit 11: the entry name is UTF-8.
constexpr unsigned long kZipFlagUtf8Name = 0x800;
// Made by Unix (3), ZIP version 2.0, so that the permission bits below are read as such.
constexpr unsigned long kZipMadeByUnix = (3u << 8) | 20u;
constexpr unsigned long kZipExternalAttributeShift = 16;
constexpr uint64_t kZip64Threshold = 0xFFFFFFFFull;
constexpr unsigned kTmYearBase = 1900;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool IsAscii(const std::string& text)
{
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

} // namespace

struct ZipArchiveWriter::State {
    explicit State(const std::string& path) : file(path) {}
    ReplacingFile file;
    zipFile zip = nullptr;
    bool failed = false;
};

ZipArchiveWriter::ZipArchiveWriter() = default;

ZipArchiveWriter::~ZipArchiveWriter()
{
    Abandon();
}

bool ZipArchiveWriter::Create(const std::string& path)
{
    Abandon();
    auto state = std::make_unique<State>(path);
    if (!state->file.Create()) return false;
    state->zip = zipOpen64(state->file.TempPath().c_str(), APPEND_STATUS_CREATE);
    if (!state->zip) return false;
    m_state = std::move(state);
    return true;
}

int ZipArchiveWriter::AddFile(const std::string& sourcePath, const std::string& entryName)
{
    if (!m_state || m_state->failed) return ZIP_PARAMERROR;
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(sourcePath.c_str(), "rb"));
    struct stat st {};
    if (!in || ::fstat(::fileno(in.get()), &st) != 0) {
        // An archive that misses one of its files is not to be kept.
        m_state->failed = true;
        return ZIP_ERRNO;
    }

    zip_fileinfo info{};
    std::tm local{};
    const std::time_t mtime = st.st_mtime;
    if (::localtime_r(&mtime, &local)) {
        info.tmz_date.tm_sec = unsigned(local.tm_sec);
        info.tmz_date.tm_min = unsigned(local.tm_min);
        info.tmz_date.tm_hour = unsigned(local.tm_hour);
        info.tmz_date.tm_mday = unsigned(local.tm_mday);
        info.tmz_date.tm_mon = unsigned(local.tm_mon);
        info.tmz_date.tm_year = unsigned(local.tm_year) + kTmYearBase;
    }
    info.external_fa = (unsigned long)(st.st_mode & 0xFFFF) << kZipExternalAttributeShift;

    const int zip64 = uint64_t(st.st_size) >= kZip64Threshold ? 1 : 0;
    // Names are stored in UTF-8, flagged as such: a file name in some other encoding is read as
    // Windows-1252 (the bytes alone cannot say which it was).
    const std::string name = ToValidUtf8(entryName);
    int r = zipOpenNewFileInZip4_64(m_state->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                    kZipMadeByUnix, IsAscii(name) ? 0 : kZipFlagUtf8Name, zip64);
    if (r != ZIP_OK) {
        m_state->failed = true;
        return r;
    }
    std::vector<char> buffer(kCopyBytes);
    for (;;) {
        const size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n > 0 && (r = zipWriteInFileInZip(m_state->zip, buffer.data(), unsigned(n))) != ZIP_OK) break;
        if (n < buffer.size()) {
            if (std::ferror(in.get())) r = ZIP_ERRNO;
            break;
        }
    }
    const int closed = zipCloseFileInZip(m_state->zip);
    if (r == ZIP_OK) r = closed;
    if (r != ZIP_OK) m_state->failed = true;
    return r;
}

bool ZipArchiveWriter::Close()
{
    if (!m_state) return false;
    const bool ok = !m_state->failed && zipClose(m_state->zip, nullptr) == ZIP_OK;
    if (ok) m_state->zip = nullptr;
    const bool committed = ok && m_state->file.Commit();
    Abandon();
    return committed;
}

void ZipArchiveWriter::Abandon()
{
    if (!m_state) return;
    if (m_state->zip) zipClose(m_state->zip, nullptr);
    // The ReplacingFile removes the temporary file unless it was committed.
    m_state.reset();
}
