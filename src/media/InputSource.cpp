#include "media/InputSource.h"

#include <fstream>

#include "media/MemoryStreamBuf.h"

namespace {

// Large enough that a file is read in few system calls, small enough to keep per reader.
constexpr size_t kFileBufferBytes = size_t(64) << 10;

} // namespace

InputSource::InputSource() = default;

InputSource::~InputSource()
{
    Close();
}

bool InputSource::OpenFile(const std::string& path)
{
    Close();
    m_fileBuffer.resize(kFileBufferBytes);
    auto file = std::make_unique<std::ifstream>();
    // The buffer must be given before the file opens to take effect.
    file->rdbuf()->pubsetbuf(m_fileBuffer.data(), static_cast<std::streamsize>(m_fileBuffer.size()));
    file->open(path, std::ios::binary);
    if (!file->is_open()) return false;
    m_owned = std::move(file);
    if (!Start(*m_owned)) {
        Close();
        return false;
    }
    return true;
}

bool InputSource::OpenMemory(std::span<const uint8_t> bytes)
{
    Close();
    m_memory = std::make_unique<MemoryStreamBuf>(bytes);
    m_owned = std::make_unique<std::istream>(m_memory.get());
    if (!Start(*m_owned)) {
        Close();
        return false;
    }
    return true;
}

bool InputSource::Attach(std::istream& stream)
{
    Close();
    return Start(stream);
}

bool InputSource::Start(std::istream& stream)
{
    stream.clear();
    const std::streamoff base = stream.tellg();
    if (base < 0) return false;
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    stream.seekg(base);
    if (end < base || !stream) {
        stream.clear();
        return false;
    }
    m_in = &stream;
    m_base = base;
    m_size = static_cast<uint64_t>(end - base);
    m_pos = 0;
    m_failed = false;
    return true;
}

void InputSource::Close()
{
    m_in = nullptr;
    m_owned.reset();
    m_memory.reset();
    m_size = 0;
    m_pos = 0;
    m_failed = false;
}

bool InputSource::Seek(uint64_t position)
{
    if (!m_in || position > m_size) return false;
    m_in->clear();
    m_in->seekg(m_base + static_cast<std::streamoff>(position));
    if (!*m_in) {
        m_in->clear();
        m_failed = true;
        return false;
    }
    m_pos = position;
    return true;
}

size_t InputSource::Read(void* out, size_t count)
{
    if (!m_in || count == 0) return 0;
    m_in->read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    const auto got = static_cast<size_t>(m_in->gcount());
    if (m_in->bad()) m_failed = true;
    // A short read sets eof and fail; clear them so that a later seek still works.
    if (got < count) m_in->clear();
    m_pos += got;
    return got;
}
