#include "log/MLog.h"

#include <ctime>

#include "media/ByteWriter.h"

MLog::MLog(MLogKind kind, std::string name, uint32_t timeLow, uint32_t timeHigh)
    : m_kind(kind), m_name(std::move(name))
{
    if (timeLow == 0 && timeHigh == 0)
        m_time = static_cast<int64_t>(std::time(nullptr));
    else
        m_time = static_cast<int64_t>((uint64_t(timeHigh) << 32) | timeLow);
}

MLog::~MLog() = default;

void MLog::WriteRecord(ByteWriter& out) const
{
    out.Bytes("LOG", 3);
    out.U8(static_cast<uint8_t>(m_kind));
    out.U64(static_cast<uint64_t>(m_time));
    WriteContent(out);
    out.String(m_name);
}
