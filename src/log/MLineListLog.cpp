#include "log/MLineListLog.h"

#include <memory>

#include "log/MKaraokeLineDumpLog.h"
#include "log/MLogQueue.h"
#include "log/MTextMsgLog.h"
#include "project/LyricMarkup.h"
#include "project/KaraokeSong.h"

void MLineListLog::Rebuilt(const KaraokeSong& song)
{
    if (!MLogQueue::LoggingOn()) return;
    MLogQueue::Add(
        std::make_unique<MTextMsgLog>("GenerateKaraokeLineList-Input Raw String", NormaliseLyricText(song.lyricText)),
        true);
    MLogQueue::Add(std::make_unique<MKaraokeLineDumpLog>("GenerateKaraokeLineList-Output LineList", song.lines, 0, 0,
                                                         MKaraokeLineDumpLog::Times::Cleared),
                   true);
    Numbered(song);
}

void MLineListLog::Numbered(const KaraokeSong& song)
{
    if (!MLogQueue::LoggingOn()) return;
    MLogQueue::Add(std::make_unique<MKaraokeLineDumpLog>("CalcLineAndPageNumbers", song.lines), true);
}
