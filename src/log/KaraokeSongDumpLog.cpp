#include "log/KaraokeSongDumpLog.h"

#include "media/ByteWriter.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

KaraokeSongDumpLog::KaraokeSongDumpLog(std::string name, const KaraokeSong& song, uint32_t timeLow,
                                           uint32_t timeHigh)
    : MDataDumpLog(MLogKind::SongSettingsDump, std::move(name), timeLow, timeHigh)
{
    ByteWriter out(m_data);
    const auto block = song.settings.ToBytes();
    out.Bytes(block.data(), block.size());
    out.Bytes(song.lyricText.data(), song.lyricText.size());
    for (const auto& page : song.pages) {
        out.U32(0); // record header
        WritePageImage(out, *page);
        // The in-memory fields after the page image: singer slots, line style list, text.
        out.U32(0);
        out.I32(page->singerColours.singer1);
        out.I32(page->singerColours.singer2);
        out.I32(page->singerColours.both);
        out.U32(0);
        out.U32(static_cast<uint32_t>(page->lineStyles.Count()));
        out.Zeros(16);
        out.U32(0);
    }
}

KaraokeSongDumpLog::~KaraokeSongDumpLog() = default;
