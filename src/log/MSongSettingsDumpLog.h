#pragma once
#include "log/MDataDumpLog.h"

class MSongSettings;

// A dump of a song's settings: the settings block, the lyric text and every page record.
class MSongSettingsDumpLog : public MDataDumpLog {
public:
    MSongSettingsDumpLog(std::string name, const MSongSettings& song, uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~MSongSettingsDumpLog() override;
};
