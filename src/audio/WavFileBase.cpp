#include "audio/WavFileBase.h"

namespace {

constexpr size_t kBufferSlack = 15;
constexpr size_t kBufferGrain = 8;

} // namespace

WavFileBase::WavFileBase() = default;

WavFileBase::~WavFileBase() = default;

uint8_t* WavFileBase::GetBuffer(size_t bytes)
{
    if (m_buffer && m_bufferSize >= bytes) return m_buffer.get();
    m_buffer.reset();
    m_bufferSize = (bytes + kBufferSlack) & ~(kBufferGrain - 1);
    m_buffer = std::make_unique<uint8_t[]>(m_bufferSize);
    return m_buffer.get();
}
