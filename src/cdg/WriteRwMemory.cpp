#include "cdg/WriteRwMemory.h"

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "log/MDataDumpLog.h"
#include "log/MLogQueue.h"
#include "project/ColourSlots.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"
#include "project/SweepAdvance.h"

namespace {

constexpr int64_t kTwoSeconds = 88200;
constexpr int64_t kTitleGap = 176400;  // 4 s between the title page and the first lyrics
constexpr int64_t kLegendGap = 66150;  // 1.5 s for the duet legend
constexpr int64_t kEndGap = 176400;    // 4 s after the last word
constexpr size_t kLegendBytes = 10800; // 450 packets
constexpr size_t kCreditsTailBytes = 14400; // 600 packets
constexpr int kLegendSlots = 3;
constexpr int32_t kLegendColours[3] = {kSlotText, kSlotSinger2, kSlotBoth};
constexpr uint64_t kMusicBytesPerSecond = 176400;
constexpr uint64_t kStreamBytesPerSecond = 7200;

bool Timed(const MKaraokeWord& w)
{
    return w.start != 0 && w.end != 0;
}

// A placed line with words: the only lines that are drawn, swept and erased.
bool Shown(const MKaraokeLine& line)
{
    return line.placed && !line.words.empty();
}

// The planning of one run: time shift, table sizes and where the lines go on screen.
struct Plan {
    int64_t shift = 0;
    int linesPerPage = 1;
    int graphicShare = 0;

    size_t Position(int64_t time) const
    {
        const int64_t t = time + shift;
        return t <= 0 ? 0 : size_t(t / int64_t(kCdgSampleFramesPerPacket)) * kCdgPacketBytes;
    }
    LyricRow Row(int slot) const { return LyricRowFor(graphicShare, linesPerPage, slot); }
};

// Erase times of one page, from the highlight ends of its slots (0 where a slot has no line
// with words): the bottom line is replaced once sung, then N more lines one at a time, and the
// rest together once the next line up has been sung.
void PageEraseTimes(const std::vector<int64_t>& ends, const std::vector<bool>& hasLine, const int64_t* previousPage,
                    int eraseFromBottom, int64_t* out)
{
    const int slots = int(ends.size());
    std::vector<int> lineSlots;
    for (int s = slots - 1; s >= 0; --s)
        if (hasLine[size_t(s)]) lineSlots.push_back(s);
    if (lineSlots.empty()) {
        for (int s = 0; s < slots; ++s) out[s] = previousPage ? previousPage[slots - 1] : 0;
        return;
    }
    auto fillEmptyAbove = [&](int slot, int64_t value) {
        for (int j = slot - 1; j >= 0 && !hasLine[size_t(j)]; --j) out[j] = value;
    };
    const int bottom = lineSlots[0];
    for (int s = bottom; s < slots; ++s) out[s] = ends[size_t(bottom)];
    fillEmptyAbove(bottom, ends[size_t(bottom)]);
    size_t next = 1;
    for (int count = 0; count < eraseFromBottom && next < lineSlots.size(); ++count, ++next) {
        const int slot = lineSlots[next];
        for (int j = slot; j < lineSlots[next - 1]; ++j) out[j] = ends[size_t(slot)];
        fillEmptyAbove(slot, ends[size_t(slot)]);
    }
    if (next < lineSlots.size()) {
        const int slot = lineSlots[next];
        for (int j = 0; j <= slot; ++j) out[j] = ends[size_t(slot)];
    }
}

void LogTable(const char* name, const std::vector<int64_t>& table)
{
    if (!MLogQueue::LoggingOn()) return;
    std::vector<int32_t> entries(table.begin(), table.end());
    MLogQueue::Add(std::make_unique<MDataDumpLog>(name, entries.data(), entries.size() * sizeof(int32_t)), true);
}

} // namespace

uint32_t WriteRwMemory(KaraokeSong& song, std::span<uint8_t> buffer, size_t& usedLength, int64_t fromTime)
{
    std::fill(buffer.begin(), buffer.end(), 0);
    CdgPacketGenerator generator(buffer);
    size_t o = 0;
    int64_t leadIn = 0;

    bool titleWritten = false;
    if (IMAGE_STRUCT* title = song.FindPage(kPageTitle); title && title->enabled) {
        const ColourTable table = CdgPacketGenerator::PageColourTable(*title);
        for (int i = 0; i < 2; ++i) o += WriteScreenReset(generator, table, title->borderColour, title->backgroundColour, o);
        o += WritePage(generator, *title, true, o);
        titleWritten = true;
    }

    static const IMAGE_STRUCT kDefaultLyricsPage;
    IMAGE_STRUCT* lyricsPage = song.FindPage(kPageLyrics);
    const IMAGE_STRUCT& lyrics = lyricsPage ? *lyricsPage : kDefaultLyricsPage;
    const int background = lyrics.backgroundColour & 0x0F;
    const SettingsBlock& settings = song.settings;

    int64_t tMax = 0;
    if (!song.lines.empty()) {
        const ColourTable table = CdgPacketGenerator::PageColourTable(lyrics);
        for (int i = 0; i < 2; ++i) o += WriteScreenReset(generator, table, lyrics.borderColour, background, o);

        // Duet legend, up until the resets before the lyrics.
        bool legendWritten = false;
        if (settings.singerCount == 2) {
            size_t at = o;
            const size_t resetsEnd = o;
            int slot = 0;
            for (size_t i = 0; i < song.singerDescriptions.size(); ++i) {
                if (song.singerDescriptions[i].empty()) continue;
                MTextType style = lyrics.style;
                style.colour = kLegendColours[i];
                at += WriteLyricLine(generator, kLegendSlots, slot++, song.singerDescriptions[i], style, background, at);
                if (!legendWritten) o = resetsEnd + kLegendBytes;
                legendWritten = true;
            }
        }

        // What is timed: the span of the sung words and the pages they are on.
        int64_t tMin = std::numeric_limits<int64_t>::max();
        int pFirst = -1, pLast = 0;
        for (const auto& line : song.lines) {
            if (!line->placed) continue;
            bool any = false;
            for (const MKaraokeWord* w : line->words) {
                if (!Timed(*w)) continue;
                any = true;
                tMax = std::max<int64_t>(tMax, w->end);
                tMin = std::min<int64_t>(tMin, w->start);
            }
            if (!any) continue;
            if (pFirst < 0) pFirst = line->page;
            pLast = std::max(pLast, int(line->page));
        }

        if (pFirst >= 0) {
            Plan plan;
            plan.linesPerPage = std::clamp<int>(settings.linesPerPage, 1, 64);
            plan.graphicShare = lyrics.hasGraphic ? lyrics.graphicShare : 0;
            const int64_t draw0 = tMin > kTwoSeconds ? tMin - kTwoSeconds : 0;
            plan.shift = SweepAdvance::FromStored(settings.advanceSweep).ShiftFrames();
            const int64_t slack = draw0 + plan.shift - int64_t(OffsetToPosition(o)) - (titleWritten ? kTitleGap : 0) -
                                  (legendWritten ? kLegendGap : 0);
            if (slack < 0) {
                leadIn = -slack;
                plan.shift += -slack;
            }

            // Highlight ends and erase times per (page, slot).
            const int slots = plan.linesPerPage;
            int pMax = 0;
            for (const auto& line : song.lines) pMax = std::max(pMax, int(line->page));
            const size_t pages = size_t(pMax) + 1;
            std::vector<int64_t> ends(pages * size_t(slots), 0);
            std::vector<bool> hasLine(pages * size_t(slots), false);
            for (const auto& line : song.lines) {
                if (line->words.empty() || line->page < 0 || line->slot < 0 || line->slot >= slots) continue;
                const size_t at = size_t(line->page) * size_t(slots) + size_t(line->slot);
                hasLine[at] = true;
                ends[at] = line->words.back()->end;
            }
            std::vector<int64_t> erase(ends.size(), 0);
            for (size_t k = 0; k < pages; ++k) {
                const size_t row = k * size_t(slots);
                PageEraseTimes(std::vector<int64_t>(ends.begin() + long(row), ends.begin() + long(row) + slots),
                               std::vector<bool>(hasLine.begin() + long(row), hasLine.begin() + long(row) + slots),
                               k > 0 ? &erase[row - size_t(slots)] : nullptr, song.eraseLinesFromBottom,
                               &erase[row]);
            }
            const int64_t firstDraw = draw0 - (titleWritten ? kTitleGap : 0) - (legendWritten ? kLegendGap : 0);
            for (auto& line : song.lines) {
                if (line->page < 0 || line->slot < 0 || line->slot >= slots) continue;
                const size_t at = size_t(line->page) * size_t(slots) + size_t(line->slot);
                line->eraseTime = int32_t(erase[at]);
                line->drawTime = line->page > 0 ? int32_t(erase[at - size_t(slots)]) : 0;
                if (line->page == pFirst) line->drawTime = int32_t(firstDraw);
                if (line->page == pLast) line->eraseTime = int32_t(tMax + kTwoSeconds);
            }
            int64_t carried = 0;
            for (int64_t& e : ends) e = e ? (carried = e) : carried;
            LogTable("WriteRwMemory-hiliteEnd", ends);
            LogTable("WriteRwMemory-eraseTimes", erase);
            std::this_thread::yield();

            for (int i = 0; i < 2; ++i) o += WriteScreenReset(generator, table, lyrics.borderColour, background, o);

            auto lineStyle = [&](const MKaraokeLine& line) {
                MTextType style = lyrics.style;
                style.colour = settings.singerCount == 1 ? kSlotText : line.colour;
                return style;
            };

            // Sweeps first: they keep their exact places; draws and erases move around them.
            for (const auto& line : song.lines) {
                if (!Shown(*line)) continue;
                const MTextType style = lineStyle(*line);
                const LyricRow row = plan.Row(line->slot);
                int sweptLast = -1;
                for (const MKaraokeWord* w : line->words) {
                    if (!Timed(*w) || int64_t(w->start) < fromTime) continue;
                    const size_t s = plan.Position(w->start);
                    const size_t e = song.sweepEntireWord ? s + 1 : plan.Position(w->end);
                    WriteSweep(generator, row.rows, row.row, line->text, w->first, w->last, style, background,
                               settings.sweepColour, settings.sweepKind, s, e, sweptLast);
                    if (WordIsDrawn(line->text, w->first, w->last)) sweptLast = w->last;
                }
            }
            std::this_thread::yield();

            // Draws and erases, page by page and slot by slot.
            std::vector<std::vector<const MKaraokeLine*>> bySlot(pages * size_t(slots));
            for (const auto& line : song.lines)
                if (Shown(*line) && line->page >= 0 && line->slot >= 0 && line->slot < slots)
                    bySlot[size_t(line->page) * size_t(slots) + size_t(line->slot)].push_back(line.get());
            for (int page = -1; page <= pLast; ++page)
                for (int slot = 0; slot < slots; ++slot) {
                    if (page >= 0 && size_t(page) < pages)
                        for (const MKaraokeLine* line : bySlot[size_t(page) * size_t(slots) + size_t(slot)])
                            if (line->eraseTime > 0 && line->eraseTime >= fromTime) {
                                const LyricRow row = plan.Row(line->slot);
                                EraseLyricLine(generator, row.rows, row.row, line->text, lineStyle(*line), background,
                                               plan.Position(line->eraseTime));
                            }
                    if (size_t(page + 1) < pages)
                        for (const MKaraokeLine* line : bySlot[size_t(page + 1) * size_t(slots) + size_t(slot)])
                            if (line->drawTime >= fromTime) {
                                const LyricRow row = plan.Row(line->slot);
                                WriteLyricLine(generator, row.rows, row.row, line->text, lineStyle(*line), background,
                                               plan.Position(line->drawTime));
                            }
                }

            if (lyricsPage && lyricsPage->hasGraphic) {
                generator.SetImageHeightPercent(UsableGraphicShare(lyricsPage->graphicShare));
                WritePicturePage(generator, lyricsPage->graphic, lyricsPage->displayMode,
                                 lyricsPage->graphicConversionMode, lyricsPage->drawTransition, table, background, o);
                generator.SetImageHeightPercent(100);
            }
            o = plan.Position(tMax + kEndGap);
        }
    }

    if (IMAGE_STRUCT* credits = song.FindPage(kPageCredits); credits && credits->enabled) {
        const ColourTable table = CdgPacketGenerator::PageColourTable(*credits);
        for (int i = 0; i < 2; ++i)
            o += WriteScreenReset(generator, table, credits->borderColour, credits->backgroundColour, o);
        o += WritePage(generator, *credits, false, o);
        o += kCreditsTailBytes;
    }
    usedLength = o;
    if (MLogQueue::LoggingOn())
        MLogQueue::Add(std::make_unique<MDataDumpLog>("WriteRwMemory-RW Data", buffer.data(), buffer.size()), true);

    // The music must last as long as the stream: its frames in the file's own bytes. The lead-in
    // is silence put before the music, so the music itself covers the stream only from there;
    // counting it again would end every export with a lead-in's length of silence on a blank screen.
    const uint64_t streamFrames = uint64_t(o) * kMusicBytesPerSecond / kStreamBytesPerSecond / kCdFrameBytes;
    const uint64_t musicFrames = streamFrames > uint64_t(leadIn) ? streamFrames - uint64_t(leadIn) : 0;
    const uint64_t needed = song.MusicBytesOf(musicFrames);
    const uint64_t target = std::max<uint64_t>(needed, song.firstMusicDataBytes);
    if (!song.MusicWorkPath().empty() && target != song.musicDataBytes && target <= UINT32_MAX)
        song.ResizeMusic(uint32_t(target));
    return uint32_t(std::min<int64_t>(leadIn, UINT32_MAX));
}

uint32_t WriteRwMemory(KaraokeSong& song, size_t& usedLength, int64_t fromTime)
{
    return WriteRwMemory(song, std::span<uint8_t>(song.streamBuffer), usedLength, fromTime);
}
