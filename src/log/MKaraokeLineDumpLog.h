#pragma once
#include <memory>
#include <vector>

#include "log/MDataDumpLog.h"
#include "project/ConstPropagating.h"

class MKaraokeLine;

// A dump of a karaoke line list: per line its 40-byte record, its text and its word elements.
class MKaraokeLineDumpLog : public MDataDumpLog {
public:
    // Times as they are, or cleared: no line placed and no word timed, as a rebuild makes the
    // lines before it carries the old times over.
    enum class Times { AsTheyAre, Cleared };

    MKaraokeLineDumpLog(std::string name, const std::vector<Owned<MKaraokeLine>>& lines,
                        uint32_t timeLow = 0, uint32_t timeHigh = 0, Times times = Times::AsTheyAre);
    ~MKaraokeLineDumpLog() override;
};
