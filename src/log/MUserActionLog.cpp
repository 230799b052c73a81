#include "log/MUserActionLog.h"

#include "media/ByteWriter.h"

MUserActionLog::MUserActionLog(std::string name, uint32_t action, uint32_t timeLow, uint32_t timeHigh)
    : MLog(MLogKind::UserAction, std::move(name), timeLow, timeHigh), m_action(action)
{
}

MUserActionLog::~MUserActionLog() = default;

void MUserActionLog::WriteContent(ByteWriter& out) const
{
    out.U8(static_cast<uint8_t>(m_action));
}
