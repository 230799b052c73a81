#include "cdg/WriteRwMemory.h"

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/GuidanceWriter.h"
#include "cdg/PageWriter.h"
#include "log/MDataDumpLog.h"
#include "media/WavConstants.h"
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
constexpr int64_t kCountInLead = 220500; // 5 s: the first page before a count-in of four marks
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

SongStream::Music SongStream::Music::Of(const KaraokeSong& song)
{
    return {song.MusicWorkPath(), song.musicDataBytes, song.musicFrameBytes};
}

SongStream WriteRwMemory(const KaraokeSong& song, int64_t fromTime)
{
    return WriteRwMemory(song, SongStream::Music::Of(song), fromTime);
}

SongStream WriteRwMemory(const KaraokeSong& song, const SongStream::Music& music, int64_t fromTime)
{
    SongStream stream;
    const uint32_t frameBytes = std::max<uint32_t>(1, music.frameBytes);
    // The buffer follows the music's time, whatever its file's frames take; without music it
    // lasts until the last word.
    uint64_t bufferMusicBytes = 0;
    if (music.dataBytes > 0) {
        bufferMusicBytes = uint64_t(music.dataBytes) / frameBytes * kCdFrameBytes;
    } else {
        uint32_t lastEnd = 0;
        for (const auto& w : song.words) lastEnd = std::max(lastEnd, w->end);
        bufferMusicBytes = uint64_t(lastEnd) * kCdFrameBytes;
    }
    stream.bytes.assign(SongStream::BufferBytes(uint32_t(std::min<uint64_t>(bufferMusicBytes, UINT32_MAX))), 0);
    stream.lineTimes.resize(song.lines.size());
    for (size_t i = 0; i < song.lines.size(); ++i)
        stream.lineTimes[i] = {song.lines[i]->drawTime, song.lines[i]->eraseTime};
    std::vector<SongStream::LineTimes>& times = stream.lineTimes;

    CdgPacketGenerator generator(std::span<uint8_t>(stream.bytes));
    size_t o = 0;
    int64_t leadIn = 0;

    bool titleWritten = false;
    // The page writers convert a page's picture in place: they work on copies of the pages.
    if (const IMAGE_STRUCT* found = song.FindPage(kPageTitle); found && found->enabled) {
        IMAGE_STRUCT title = *found;
        const ColourTable table = CdgPacketGenerator::PageColourTable(title);
        for (int i = 0; i < 2; ++i) o += WriteScreenReset(generator, table, title.borderColour, title.backgroundColour, o);
        o += WritePage(generator, title, true, o);
        titleWritten = true;
    }

    const IMAGE_STRUCT* foundLyrics = song.FindPage(kPageLyrics);
    IMAGE_STRUCT lyrics = foundLyrics ? *foundLyrics : IMAGE_STRUCT{};
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
            int64_t draw0 = tMin > kTwoSeconds ? tMin - kTwoSeconds : 0;
            plan.shift = SweepAdvance::FromStored(settings.advanceSweep).ShiftFrames();
            const int64_t pagesBefore = (titleWritten ? kTitleGap : 0) + (legendWritten ? kLegendGap : 0);
            // A count-in needs the first lines on screen for its marks: the first page comes as
            // early as the intro allows without silence put before the music.
            if (song.guidance.countIn) {
                const int64_t noLeadIn = int64_t(OffsetToPosition(o)) + pagesBefore - plan.shift;
                draw0 = std::max<int64_t>(0, std::min(draw0, std::max(tMin - kCountInLead, noLeadIn)));
            }
            const int64_t slack = draw0 + plan.shift - int64_t(OffsetToPosition(o)) - pagesBefore;
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
            const int64_t firstDraw = draw0 - pagesBefore;
            for (size_t i = 0; i < song.lines.size(); ++i) {
                const MKaraokeLine& line = *song.lines[i];
                if (line.page < 0 || line.slot < 0 || line.slot >= slots) continue;
                const size_t at = size_t(line.page) * size_t(slots) + size_t(line.slot);
                times[i].erase = int32_t(erase[at]);
                times[i].draw = line.page > 0 ? int32_t(erase[at - size_t(slots)]) : 0;
                if (line.page == pFirst) times[i].draw = int32_t(firstDraw);
                if (line.page == pLast) times[i].erase = int32_t(tMax + kTwoSeconds);
            }
            int64_t carried = 0;
            for (int64_t& e : ends) e = e ? (carried = e) : carried;
            LogTable("WriteRwMemory-hiliteEnd", ends);
            LogTable("WriteRwMemory-eraseTimes", erase);
            std::this_thread::yield();

            for (int i = 0; i < 2; ++i) o += WriteScreenReset(generator, table, lyrics.borderColour, background, o);
            const size_t lyricsReset = o;

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
            std::vector<size_t> drawnBy(song.lines.size(), 0);
            std::vector<std::vector<size_t>> bySlot(pages * size_t(slots));
            for (size_t i = 0; i < song.lines.size(); ++i) {
                const MKaraokeLine& line = *song.lines[i];
                if (Shown(line) && line.page >= 0 && line.slot >= 0 && line.slot < slots)
                    bySlot[size_t(line.page) * size_t(slots) + size_t(line.slot)].push_back(i);
            }
            for (int page = -1; page <= pLast; ++page)
                for (int slot = 0; slot < slots; ++slot) {
                    if (page >= 0 && size_t(page) < pages)
                        for (const size_t i : bySlot[size_t(page) * size_t(slots) + size_t(slot)])
                            if (times[i].erase > 0 && times[i].erase >= fromTime) {
                                const MKaraokeLine& line = *song.lines[i];
                                const LyricRow row = plan.Row(line.slot);
                                EraseLyricLine(generator, row.rows, row.row, line.text, lineStyle(line), background,
                                               plan.Position(times[i].erase));
                            }
                    if (size_t(page + 1) < pages)
                        for (const size_t i : bySlot[size_t(page + 1) * size_t(slots) + size_t(slot)])
                            if (times[i].draw >= fromTime) {
                                const MKaraokeLine& line = *song.lines[i];
                                const LyricRow row = plan.Row(line.slot);
                                const size_t at = plan.Position(times[i].draw);
                                drawnBy[i] = at + WriteLyricLine(generator, row.rows, row.row, line.text,
                                                                 lineStyle(line), background, at);
                            }
                }

            if (foundLyrics && lyrics.hasGraphic) {
                generator.SetImageHeightPercent(UsableGraphicShare(lyrics.graphicShare));
                WritePicturePage(generator, lyrics.graphic, lyrics.displayMode, lyrics.graphicConversionMode,
                                 lyrics.drawTransition, table, background, o);
                generator.SetImageHeightPercent(100);
            }

            if (song.guidance.AnyOn()) {
                std::vector<GuidedLine> guided;
                for (size_t i = 0; i < song.lines.size(); ++i) {
                    const MKaraokeLine& line = *song.lines[i];
                    if (!Shown(line) || line.slot < 0 || line.slot >= slots) continue;
                    const auto first = std::find_if(line.words.begin(), line.words.end(),
                                                     [](const MKaraokeWord* w) { return Timed(*w); });
                    if (first == line.words.end()) continue;
                    GuidedLine g;
                    g.row = plan.Row(line.slot);
                    g.slot = line.slot;
                    g.text = &line.text;
                    g.style = lineStyle(line);
                    g.firstChar = (*first)->first;
                    g.lastChar = (*first)->last;
                    g.firstStart = (*first)->start;
                    for (const MKaraokeWord* w : line.words)
                        if (Timed(*w)) g.lastEnd = std::max<int64_t>(g.lastEnd, w->end);
                    g.draw = times[i].draw;
                    g.erase = times[i].erase;
                    g.drawnBy = drawnBy[i];
                    guided.push_back(g);
                }
                GuidanceTimeline timeline;
                timeline.position = [&plan](int64_t time) { return plan.Position(time); };
                timeline.earliest = lyricsReset;
                timeline.from = fromTime > 0 ? plan.Position(fromTime) : 0;
                timeline.background = background;
                timeline.slots = slots;
                timeline.row = [&plan](int slot) { return plan.Row(slot); };
                timeline.noticeStyle = lyrics.style;
                WriteSingerGuidance(generator, stream.bytes, song.guidance, guided, timeline);
            }
            o = plan.Position(tMax + kEndGap);
        }
    }

    if (const IMAGE_STRUCT* found = song.FindPage(kPageCredits); found && found->enabled) {
        IMAGE_STRUCT credits = *found;
        const ColourTable table = CdgPacketGenerator::PageColourTable(credits);
        for (int i = 0; i < 2; ++i)
            o += WriteScreenReset(generator, table, credits.borderColour, credits.backgroundColour, o);
        o += WritePage(generator, credits, false, o);
        o += kCreditsTailBytes;
    }
    stream.usedLength = o;
    if (MLogQueue::LoggingOn())
        MLogQueue::Add(std::make_unique<MDataDumpLog>("WriteRwMemory-RW Data", stream.bytes.data(), stream.bytes.size()),
                       true);
    stream.leadIn = uint32_t(std::min<int64_t>(leadIn, UINT32_MAX));

    // The music must last as long as the stream: its frames in the file's own bytes. The lead-in
    // is silence put before the music, so the music itself covers the stream only from there;
    // counting it again would end every export with a lead-in's length of silence on a blank screen.
    // The file is never written: the player and the exports read its samples up to that length
    // and silence after them.
    stream.musicBytes = music.dataBytes > 0 ? music.dataBytes : UINT32_MAX;
    const uint64_t streamFrames = uint64_t(o) * kMusicBytesPerSecond / kStreamBytesPerSecond / kCdFrameBytes;
    const uint64_t musicFrames = streamFrames > uint64_t(leadIn) ? streamFrames - uint64_t(leadIn) : 0;
    const uint64_t needed = musicFrames * frameBytes;
    const uint64_t target = std::max<uint64_t>(needed, music.dataBytes);
    if (!music.workPath.empty() && music.dataBytes > 0 && target != music.dataBytes && target <= UINT32_MAX) {
        // Whole sample frames (what the stream needs is counted in them), as much as a WAV holds.
        const uint64_t length = std::min<uint64_t>(target, uint64_t(kMaxWavOutDataBytes) / frameBytes * frameBytes);
        stream.musicBytes = uint32_t(length);
        stream.bytes.resize(
            SongStream::BufferBytes(uint32_t(std::min<uint64_t>(length / frameBytes * kCdFrameBytes, UINT32_MAX))), 0);
    }
    return stream;
}
