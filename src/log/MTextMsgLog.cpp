#include "log/MTextMsgLog.h"

#include "media/ByteWriter.h"

MTextMsgLog::MTextMsgLog(std::string name, std::string text, uint32_t timeLow, uint32_t timeHigh)
    : MLog(MLogKind::TextMessage, std::move(name), timeLow, timeHigh), m_text(std::move(text))
{
}

MTextMsgLog::~MTextMsgLog() = default;

void MTextMsgLog::WriteContent(ByteWriter& out) const
{
    out.String(m_text);
}
