#include "timing/WordTiming.h"

#include <algorithm>
#include <cmath>

#include "project/KaraokeSong.h"

namespace {
constexpr int kThousandths = 1000;
constexpr double kSampleRate = 44100.0;
constexpr int32_t kUnitSeconds = 1;

// The shortest word w may become: one packet, or what it has when it is shorter already.
int64_t ShortestOf(const MKaraokeWord& w)
{
    return std::clamp<int64_t>(int64_t(w.end) - int64_t(w.start), 0, WordTiming::kMinWordSamples);
}

} // namespace


uint32_t WordTiming::AmountSamples(int32_t milliseconds)
{
    const float f = float(milliseconds) / float(kThousandths);
    return uint32_t(std::max(0.0, std::floor(double(f) * kSampleRate)));
}

uint32_t WordTiming::Amount() const
{
    return AmountSamples(m_song.settings.adjustAmount);
}

bool WordTiming::Valid(size_t w) const
{
    return w < m_song.words.size();
}

void WordTiming::MoveStartEarlier(size_t index, uint32_t amount)
{
    auto& words = m_edited->words;
    MKaraokeWord& w = *words[index];
    MKaraokeWord* p = index > 0 ? words[index - 1].get() : nullptr;
    const int64_t moved = int64_t(w.start) - amount;
    // The previous word, which ends by the new start, keeps its shortest length.
    const int64_t floor = p ? std::min<int64_t>(int64_t(p->start) + ShortestOf(*p), w.start) : 0;
    w.start = uint32_t(std::max<int64_t>(moved, floor));
    if (p) p->end = std::min(p->end, w.start);
}

void WordTiming::MoveStartLater(size_t index, uint32_t amount)
{
    auto& words = m_edited->words;
    MKaraokeWord& w = *words[index];
    MKaraokeWord* p = index > 0 ? words[index - 1].get() : nullptr;
    const uint32_t old = w.start;
    const int64_t ceiling = int64_t(w.end) - ShortestOf(w);
    w.start = uint32_t(std::min<int64_t>(int64_t(w.start) + amount, ceiling));
    if (p) p->end = p->end == old ? w.start : std::min(p->end, w.start);
}

void WordTiming::MoveEndEarlier(size_t index, uint32_t amount)
{
    MKaraokeWord& w = *m_edited->words[index];
    w.end = uint32_t(std::max<int64_t>(int64_t(w.end) - amount, int64_t(w.start) + ShortestOf(w)));
}

void WordTiming::MoveEndLater(size_t index, uint32_t amount)
{
    auto& words = m_edited->words;
    MKaraokeWord& w = *words[index];
    MKaraokeWord* n = index + 1 < words.size() ? words[index + 1].get() : nullptr;
    int64_t end = int64_t(w.end) + amount;
    // The next word, which starts no earlier than the new end, keeps its shortest length.
    if (n) end = std::min<int64_t>(end, std::max<int64_t>(int64_t(n->end) - ShortestOf(*n), w.end));
    w.end = uint32_t(std::min<int64_t>(end, UINT32_MAX));
    if (n) n->start = std::max(n->start, w.end);
}

bool WordTiming::StartEarlier(size_t index)
{
    if (!Movable(index)) return false;
    MoveStartEarlier(index, Amount());
    return true;
}

bool WordTiming::StartLater(size_t index)
{
    if (!Movable(index)) return false;
    MoveStartLater(index, Amount());
    return true;
}

bool WordTiming::EndEarlier(size_t index)
{
    if (!Movable(index)) return false;
    MoveEndEarlier(index, Amount());
    return true;
}

bool WordTiming::EndLater(size_t index)
{
    if (!Movable(index)) return false;
    MoveEndLater(index, Amount());
    return true;
}

int64_t WordTiming::SnapToStep(int64_t target)
{
    const int64_t step = kDragStep;
    const int64_t t = std::clamp<int64_t>(target, 0, int64_t(UINT32_MAX) / step * step);
    return (t + step / 2) / step * step;
}

bool WordTiming::DragStartTo(size_t index, int64_t target)
{
    if (!Movable(index)) return false;
    MKaraokeWord& w = *m_edited->words[index];
    const uint32_t old = w.start, oldPrevious = index > 0 ? m_song.words[index - 1]->end : 0;
    const int64_t to = SnapToStep(target);
    if (to < int64_t(w.start)) MoveStartEarlier(index, uint32_t(int64_t(w.start) - to));
    else if (to > int64_t(w.start)) MoveStartLater(index, uint32_t(to - int64_t(w.start)));
    if (w.start == old && (index == 0 || m_song.words[index - 1]->end == oldPrevious)) return false;
    return true;
}

bool WordTiming::DragEndTo(size_t index, int64_t target)
{
    if (!Movable(index)) return false;
    MKaraokeWord& w = *m_edited->words[index];
    const bool hasNext = index + 1 < m_song.words.size();
    const uint32_t old = w.end, oldNext = hasNext ? m_song.words[index + 1]->start : 0;
    const int64_t to = SnapToStep(target);
    if (to < int64_t(w.end)) MoveEndEarlier(index, uint32_t(int64_t(w.end) - to));
    else if (to > int64_t(w.end)) MoveEndLater(index, uint32_t(to - int64_t(w.end)));
    if (w.end == old && (!hasNext || m_song.words[index + 1]->start == oldNext)) return false;
    return true;
}

bool WordTiming::AssignSinger(size_t index, int32_t slot)
{
    if (!Movable(index) || !m_edited->words[index]->line) return false;
    m_edited->words[index]->line->colour = slot;
    return true;
}

std::pair<uint32_t, uint32_t> WordTiming::LoopStretch(size_t selected) const
{
    const auto& words = m_song.words;
    if (!Valid(selected)) return {0, 0};
    const SettingsBlock& s = m_song.settings;
    const int sel = int(selected);
    const int last = int(words.size()) - 1;
    auto lineWords = [&](int i) { return int(words[size_t(i)]->line ? words[size_t(i)]->line->words.size() : 0); };
    auto secondSinger = [&](int i) { return words[size_t(i)]->line && words[size_t(i)]->line->secondSinger; };

    int64_t from = words[selected]->start;
    if (s.loopBeforeUnit == kUnitSeconds) {
        from = std::max<int64_t>(from - int64_t(s.loopBefore) * int64_t(kSampleRate) / kThousandths, 0);
    } else {
        const int n = s.loopBefore / kThousandths;
        int i = std::max(0, sel - (secondSinger(sel) ? lineWords(sel) : 0));
        for (int passed = 0; passed < n && i > 0;) {
            --i;
            if (!(words[size_t(i)]->flags & kWordJoinsNext)) ++passed;
        }
        // The loop starts with the whole word, not its last syllable.
        while (i > 0 && (words[size_t(i) - 1]->flags & kWordJoinsNext)) --i;
        if (secondSinger(i)) i = std::max(0, i - lineWords(i));
        from = words[size_t(i)]->start;
    }
    int64_t to = words[selected]->end;
    if (s.loopAfterUnit == kUnitSeconds) {
        to = std::max<int64_t>(to + int64_t(s.loopAfter) * int64_t(kSampleRate) / kThousandths, 0);
    } else {
        const int m = s.loopAfter / kThousandths;
        int i = std::min(last, sel + (secondSinger(sel) ? lineWords(sel) : 0));
        for (int step = 0; step < m && i < last; ++step) {
            ++i;
            while (i < last && (words[size_t(i)]->flags & kWordContinues)) ++i;
        }
        if (secondSinger(i)) i = std::min(last, i + lineWords(i));
        to = words[size_t(i)]->end;
    }
    return {uint32_t(from), uint32_t(to)};
}

int WordTiming::WordAt(int64_t t) const
{
    const auto& words = m_song.words;
    for (size_t i = 0; i < words.size(); ++i)
        if (int64_t(words[i]->start) <= t && t <= int64_t(words[i]->end)) return int(i);
    return -1;
}
