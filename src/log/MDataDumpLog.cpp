#include "log/MDataDumpLog.h"

#include "media/ByteWriter.h"

MDataDumpLog::MDataDumpLog(std::string name, const void* bytes, size_t size, MLogKind kind, uint32_t timeLow,
                           uint32_t timeHigh)
    : MLog(kind, std::move(name), timeLow, timeHigh)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    if (p) m_data.assign(p, p + size);
}

MDataDumpLog::MDataDumpLog(MLogKind kind, std::string name, uint32_t timeLow, uint32_t timeHigh)
    : MLog(kind, std::move(name), timeLow, timeHigh)
{
}

MDataDumpLog::~MDataDumpLog() = default;

void MDataDumpLog::WriteContent(ByteWriter& out) const
{
    out.U32(static_cast<uint32_t>(m_data.size()));
    out.Bytes(m_data.data(), m_data.size());
}
