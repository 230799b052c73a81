#include "timing/Placement.h"

#include <algorithm>

#include "project/KaraokeSong.h"
#include "timing/PlayClock.h"

namespace {
constexpr int kDuet = 2;
}

Placement::Placement(KaraokeSong& song, const PlayClock& clock) : m_song(song), m_clock(clock) {}

void Placement::Restart()
{
    m_cursor = 0;
    m_open = kNone;
}

MKaraokeWord* Placement::CursorWord() const
{
    return m_cursor < m_song.words.size() ? m_song.words[m_cursor].get() : nullptr;
}

MKaraokeWord* Placement::OpenWord() const
{
    return m_open < m_song.words.size() ? m_song.words[m_open].get() : nullptr;
}

bool Placement::AtEnd() const
{
    return m_cursor >= m_song.words.size();
}

MKaraokeWord* Placement::PlaceWord()
{
    // The moment comes first, before anything else is looked at.
    const uint32_t t = m_clock.Now();
    return m_clock.Running() ? PlaceWordAt(t) : nullptr;
}

MKaraokeWord* Placement::PlaceWordAt(uint32_t t)
{
    if (AtEnd()) return nullptr;
    MKaraokeWord* w = m_song.words[m_cursor].get();
    w->start = t;
    if (w->line) w->line->placed = 1;
    if (MKaraokeWord* open = OpenWord()) open->end = t;
    m_open = m_cursor++;
    if (m_song.settings.singerCount == kDuet) SkipSecondSingerLines(*w);
    return w;
}

void Placement::SkipSecondSingerLines(const MKaraokeWord& placed)
{
    const auto& words = m_song.words;
    while (m_cursor < words.size() && words[m_cursor]->line && words[m_cursor]->line != placed.line &&
           words[m_cursor]->line->secondSinger) {
        MKaraokeLine* skipped = words[m_cursor]->line;
        skipped->placed = 1;
        while (m_cursor < words.size() && words[m_cursor]->line == skipped) ++m_cursor;
    }
}

bool Placement::Pause()
{
    const uint32_t t = m_clock.Now();
    return m_clock.Running() && PauseAt(t);
}

bool Placement::PauseAt(uint32_t t)
{
    MKaraokeWord* open = OpenWord();
    if (!open) return false;
    open->end = t;
    m_open = kNone;
    return true;
}

void Placement::Finish()
{
    if (MKaraokeWord* open = OpenWord()) open->end = open->start + kOpenWordLength;
    m_open = kNone;
    if (m_song.settings.singerCount == kDuet) FillDuetLines();
}

void Placement::FillDuetLines()
{
    const MKaraokeLine* previous = nullptr;
    for (auto& line : m_song.lines) {
        if (line->secondSinger && previous) {
            const int64_t a = previous->words.front()->start;
            // An earlier line whose end lies before its start gives no time to share.
            const int64_t span = std::max<int64_t>(0, int64_t(previous->words.back()->end) - a);
            line->drawTime = int32_t(a);
            const int64_t n = int64_t(line->words.size());
            for (int64_t k = 0; k < n; ++k) {
                line->words[size_t(k)]->start = uint32_t(a + k * span / n);
                line->words[size_t(k)]->end = uint32_t(a + (k + 1) * span / n);
            }
        }
        if (!line->words.empty()) previous = line.get();
    }
}
