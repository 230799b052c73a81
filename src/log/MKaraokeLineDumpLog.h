#pragma once
#include <memory>
#include <vector>

#include "log/MDataDumpLog.h"

class MKaraokeLine;

// A dump of a karaoke line list: per line its 40-byte record, its text and its word elements.
class MKaraokeLineDumpLog : public MDataDumpLog {
public:
    MKaraokeLineDumpLog(std::string name, const std::vector<std::unique_ptr<MKaraokeLine>>& lines,
                        uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~MKaraokeLineDumpLog() override;
};
