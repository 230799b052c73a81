#include "cdg/GuidanceWriter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "cdg/CdgPacketGenerator.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/PageCanvas.h"
#include "cdg/TextLayout.h"
#include "project/ColourSlots.h"
#include "project/SingerGuidance.h"

namespace {

constexpr size_t kSecondBytes = 7200; // 300 packets
constexpr int kMostMarks = 4;
constexpr int kMarkSize = 4;
constexpr int kMarkColumnStep = 2; // a mark in every other tile column: 12 pixels apart
constexpr int kMarkGap = 3;        // clear pixels between a mark and the line's letters
// How much earlier than its moment a mark's packet may go when that slot is taken.
constexpr size_t kMarkLeewayBytes = 30 * kCdgPacketBytes;
// A notice keeps a second away from the lines around it and shows for two seconds at least.
constexpr size_t kNoticeMarginBytes = kSecondBytes;
constexpr size_t kShortestNoticeBytes = 2 * kSecondBytes;
constexpr int64_t kSamplesPerMs = 44100 / 1000;

// The latest free packet slot at or below high and at or above low.
std::optional<size_t> FreeSlot(std::span<const uint8_t> buffer, size_t low, size_t high)
{
    if (buffer.size() <= kCdgPacketBytes || high < low) return std::nullopt;
    high = std::min(high, buffer.size() - 2 * kCdgPacketBytes) / kCdgPacketBytes * kCdgPacketBytes;
    for (size_t at = high + kCdgPacketBytes; at > low;) {
        at -= kCdgPacketBytes;
        if (at < low) break;
        if (buffer[at] == 0) return at;
    }
    return std::nullopt;
}

// The count-in of one line: `count` marks, drawn together `count` seconds before the first
// word's sweep, each gone a second after the one before, the last one the packet before the sweep.
struct CountIn {
    size_t sweepAt = 0;
    int count = 0;
    size_t DrawAt() const { return sweepAt - size_t(count) * kSecondBytes; }
};

CountIn PlanCountIn(const GuidedLine& line, const GuidanceTimeline& timeline)
{
    CountIn plan;
    plan.sweepAt = timeline.position(line.firstStart);
    const size_t earliest = std::max({timeline.earliest, timeline.from, line.drawnBy});
    if (line.drawnBy == 0 || plan.sweepAt <= earliest) return plan;
    plan.count = int(std::min<size_t>(kMostMarks, (plan.sweepAt - earliest) / kSecondBytes));
    return plan;
}

// Where the marks of a line go, in the order they disappear: in the line's row ahead of its
// first word (left of it, right of it in a line read right to left), or above the word when
// there is no room ahead. None when neither has room for all of them clear of the letters.
std::vector<TextBox> PlaceMarks(const GuidedLine& line, int background, int count)
{
    const WordSweepPixels sweep = SweepWordPixels(line.row.rows, line.row.row, *line.text, line.style, background,
                                                  line.firstChar, line.lastChar, -1, false);
    const TextBox word = sweep.box;
    if (word == TextBox{} || count <= 0) return {};
    const uint8_t plain = uint8_t(background & 0x0F);
    // A mark's tile lies in the line's own rows, where no other line draws or erases while it
    // shows; the mark keeps clear of the line's letters.
    const auto clear = [&](const TextBox& dot) {
        const int tileTop = dot.top / kCdgTileHeight * kCdgTileHeight;
        if (dot.left < 0 || dot.right > kCanvasWidth || tileTop < sweep.top || tileTop + kCdgTileHeight > sweep.bottom)
            return false;
        if (dot.top / kCdgTileHeight != (dot.bottom - 1) / kCdgTileHeight) return false;
        for (int y = std::max(0, dot.top - kMarkGap); y < std::min(kCanvasHeight, dot.bottom + kMarkGap); ++y)
            for (int x = std::max(0, dot.left - kMarkGap); x < std::min(kCanvasWidth, dot.right + kMarkGap); ++x)
                if (sweep.line.At(x, y) != plain) return false;
        return true;
    };
    // Marks from tile column `first` on, `step` columns apart, at pixel row y.
    const auto row = [&](int first, int step, int y) {
        std::vector<TextBox> dots;
        for (int k = 0; k < count; ++k) {
            const int x = (first + k * step) * kCdgTileWidth + 1;
            const TextBox dot{x, y, x + kMarkSize, y + kMarkSize};
            if (!clear(dot)) return std::vector<TextBox>{};
            dots.push_back(dot);
        }
        return dots;
    };
    const auto inOneTile = [](int y) {
        return y / kCdgTileHeight == (y + kMarkSize - 1) / kCdgTileHeight ? y : (y + kMarkSize - 1) / kCdgTileHeight * kCdgTileHeight;
    };

    const int step = sweep.rightToLeft ? kMarkColumnStep : -kMarkColumnStep;
    // Ahead of the word, the mark next to it last: the farthest goes first.
    const int nextTo = sweep.rightToLeft ? (word.right + kMarkGap + kCdgTileWidth - 2) / kCdgTileWidth
                                         : (word.left - kMarkGap - kMarkSize - 1) / kCdgTileWidth;
    const int middle = inOneTile((word.top + word.bottom) / 2 - kMarkSize / 2);
    if (std::vector<TextBox> dots = row(nextTo, step, middle); !dots.empty()) {
        std::reverse(dots.begin(), dots.end());
        return dots;
    }
    // Above the word, read the way the line reads; below it when letters that reach high leave
    // no room above.
    const int start = sweep.rightToLeft ? (word.right - kMarkSize - 1) / kCdgTileWidth
                                        : (word.left + kCdgTileWidth - 2) / kCdgTileWidth;
    const int centre = word.top + (word.bottom - word.top) / 2;
    for (int y = centre - kMarkSize; y >= sweep.top; --y)
        if (std::vector<TextBox> dots = row(start, -step, y); !dots.empty()) return dots;
    for (int y = centre; y + kMarkSize <= sweep.bottom; ++y)
        if (std::vector<TextBox> dots = row(start, -step, y); !dots.empty()) return dots;
    return {};
}

void WriteCountIn(CdgPacketGenerator& generator, std::span<const uint8_t> buffer, const GuidedLine& line,
                  const CountIn& plan, const GuidanceTimeline& timeline)
{
    const int colour = line.style.colour & 0x0F;
    const int background = timeline.background & 0x0F;
    if (plan.count <= 0 || colour == background) return;
    const std::vector<TextBox> dots = PlaceMarks(line, background, plan.count);
    if (dots.empty()) return;
    PageCanvas layer;
    layer.Fill(uint8_t(background));
    for (const TextBox& dot : dots) layer.FillRect(dot, uint8_t(colour));
    const IndexImageView view = layer.View();
    const size_t drawAt = plan.DrawAt();
    const size_t earliest = std::max({timeline.earliest, timeline.from, line.drawnBy});
    for (size_t k = 0; k < dots.size(); ++k) {
        const int column = dots[k].left / kCdgTileWidth, tileRow = dots[k].top / kCdgTileHeight;
        const auto packet = generator.WriteColorLayer(view, column, tileRow, column + 1, tileRow + 1, colour, background);
        if (!packet) continue;
        // The same exclusive-or layer draws the mark and takes it away again.
        const size_t goneAt = plan.sweepAt - (dots.size() - 1 - k) * kSecondBytes - kCdgPacketBytes;
        const auto drawSlot = FreeSlot(buffer, std::max(earliest, drawAt - std::min(drawAt, kMarkLeewayBytes)), drawAt);
        if (!drawSlot) continue;
        const auto eraseSlot = FreeSlot(buffer, std::max(*drawSlot + kCdgPacketBytes, goneAt - std::min(goneAt, kMarkLeewayBytes)), goneAt);
        if (!eraseSlot) continue;
        generator.WritePacket(*drawSlot, *packet);
        generator.WritePacket(*eraseSlot, *packet);
    }
}

// The longest stretch of [from, to) in which no line holds the slot, with a margin around each line.
std::pair<size_t, size_t> FreeStretch(const std::vector<GuidedLine>& lines, const GuidanceTimeline& timeline, int slot,
                                      size_t from, size_t to)
{
    std::vector<std::pair<size_t, size_t>> held;
    for (const GuidedLine& line : lines)
        if (line.slot == slot) {
            const size_t draw = timeline.position(line.draw), erase = timeline.position(line.erase);
            held.push_back({draw - std::min(draw, kNoticeMarginBytes), erase + kNoticeMarginBytes});
        }
    std::sort(held.begin(), held.end());
    std::pair<size_t, size_t> best{0, 0};
    size_t at = from;
    for (const auto& [begin, end] : held) {
        if (begin > at && std::min(begin, to) > at && std::min(begin, to) - at > best.second - best.first)
            best = {at, std::min(begin, to)};
        at = std::max(at, end);
        if (at >= to) break;
    }
    if (at < to && to - at > best.second - best.first) best = {at, to};
    return best;
}

void WriteNotice(CdgPacketGenerator& generator, const std::vector<GuidedLine>& lines, const GuidanceTimeline& timeline,
                 const std::string& text, size_t from, size_t to)
{
    if (text.empty() || to <= from + kShortestNoticeBytes) return;
    // The slot free longest, the middle one of those free as long.
    int chosen = -1;
    std::pair<size_t, size_t> stretch{0, 0};
    const double middle = (timeline.slots - 1) / 2.0;
    for (int slot = 0; slot < timeline.slots; ++slot) {
        const auto free = FreeStretch(lines, timeline, slot, from, to);
        const size_t length = free.second - free.first, bestLength = stretch.second - stretch.first;
        if (length > bestLength ||
            (chosen >= 0 && length == bestLength && std::abs(slot - middle) < std::abs(chosen - middle))) {
            chosen = slot;
            stretch = free;
        }
    }
    if (chosen < 0 || stretch.second - stretch.first < kShortestNoticeBytes || stretch.first < timeline.from) return;
    MTextType style = timeline.noticeStyle;
    style.colour = kSlotText;
    style.hAlign = kAlignCentre;
    const LyricRow row = timeline.row(chosen);
    WriteLyricLine(generator, row.rows, row.row, text, style, timeline.background, stretch.first);
    EraseLyricLine(generator, row.rows, row.row, text, style, timeline.background, stretch.second);
}

} // namespace

void WriteSingerGuidance(CdgPacketGenerator& generator, std::span<const uint8_t> buffer, const SingerGuidance& guidance,
                         const std::vector<GuidedLine>& lines, const GuidanceTimeline& timeline)
{
    if (!guidance.AnyOn()) return;
    const int64_t countInGap = int64_t(guidance.countInGapMs) * kSamplesPerMs;
    const int64_t noticeGap = int64_t(guidance.noticeGapMs) * kSamplesPerMs;
    // The marks first: they need their exact moments; a notice's packets flow around them.
    // A line's gap is from the end of every word sung before it (duet lines may overlap).
    std::vector<int64_t> sungBefore(lines.size(), 0);
    for (size_t i = 1; i < lines.size(); ++i) sungBefore[i] = std::max(sungBefore[i - 1], lines[i - 1].lastEnd);
    std::vector<CountIn> countIns(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool first = i == 0;
        if (guidance.countIn && (first || lines[i].firstStart - sungBefore[i] >= countInGap)) {
            countIns[i] = PlanCountIn(lines[i], timeline);
            WriteCountIn(generator, buffer, lines[i], countIns[i], timeline);
        }
    }
    if (!guidance.notice) return;
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].firstStart - sungBefore[i] < noticeGap) continue;
        // Gone a second before the count-in starts, or before the line's first word.
        const size_t from = timeline.position(sungBefore[i]) + kNoticeMarginBytes;
        const size_t until = countIns[i].count > 0 ? countIns[i].DrawAt() : timeline.position(lines[i].firstStart);
        if (until < from + kNoticeMarginBytes) continue;
        WriteNotice(generator, lines, timeline, guidance.noticeText, from, until - kNoticeMarginBytes);
    }
}
