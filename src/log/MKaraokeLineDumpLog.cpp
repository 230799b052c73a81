#include "log/MKaraokeLineDumpLog.h"

#include "media/ByteWriter.h"
#include "project/MKaraokeLine.h"
#include "project/ProjectFile.h"

namespace {
constexpr size_t kWordListHeaderBytes = 12;
}

MKaraokeLineDumpLog::MKaraokeLineDumpLog(std::string name, const std::vector<Owned<MKaraokeLine>>& lines,
                                         uint32_t timeLow, uint32_t timeHigh, Times times)
    : MDataDumpLog(MLogKind::KaraokeLineDump, std::move(name), timeLow, timeHigh)
{
    ByteWriter out(m_data);
    const bool cleared = times == Times::Cleared;
    for (const auto& line : lines) {
        // The line record as it lies in memory; references have no meaning outside one run.
        out.I32(line->page);
        out.U32(0); // text reference
        out.I32(line->colour);
        out.I32(line->drawTime);
        out.I32(line->eraseTime);
        out.I32(line->slot);
        out.Zeros(kWordListHeaderBytes);
        out.U8(cleared ? 0 : line->placed);
        out.U8(line->newPageBefore);
        out.U8(line->secondSinger);
        out.U8(0);
        out.String(line->text);
        out.U32(static_cast<uint32_t>(line->words.size()));
        for (const MKaraokeWord* word : line->words) {
            MKaraokeWord element = *word;
            if (cleared) element.start = element.end = 0;
            WriteWordElement(out, element);
        }
    }
}

MKaraokeLineDumpLog::~MKaraokeLineDumpLog() = default;
