#pragma once
#include "log/MDataDumpLog.h"

class KaraokeSong;

// A dump of a song's settings: the settings block, the lyric text and every page record.
class KaraokeSongDumpLog : public MDataDumpLog {
public:
    KaraokeSongDumpLog(std::string name, const KaraokeSong& song, uint32_t timeLow = 0, uint32_t timeHigh = 0);
    ~KaraokeSongDumpLog() override;
};
