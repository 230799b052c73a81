#pragma once
#include "log/MLog.h"

// A user action, by its small action number.
class MUserActionLog : public MLog {
public:
    MUserActionLog(std::string name, uint32_t action, uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~MUserActionLog() override;

    uint32_t Action() const { return m_action; }

protected:
    void WriteContent(ByteWriter& out) const override;

private:
    uint32_t m_action;
};
