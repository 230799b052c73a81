#pragma once
#include "log/MLog.h"

// A text message.
class MTextMsgLog : public MLog {
public:
    MTextMsgLog(std::string name, std::string text, uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~MTextMsgLog() override;

    const std::string& Text() const { return m_text; }

protected:
    void WriteContent(ByteWriter& out) const override;

private:
    std::string m_text;
};
