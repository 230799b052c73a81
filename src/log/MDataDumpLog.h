#pragma once
#include <cstdint>
#include <vector>

#include "log/MLog.h"

// A copy of a block of bytes.
class MDataDumpLog : public MLog {
public:
    MDataDumpLog(std::string name, const void* bytes, size_t size, MLogKind kind = MLogKind::DataDump,
                 uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~MDataDumpLog() override;

    const std::vector<uint8_t>& Data() const { return m_data; }

protected:
    MDataDumpLog(MLogKind kind, std::string name, uint32_t timeLow, uint32_t timeHigh);
    void WriteContent(ByteWriter& out) const override;

    std::vector<uint8_t> m_data;
};
