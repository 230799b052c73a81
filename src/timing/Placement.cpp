#include "timing/Placement.h"

#include <algorithm>

#include "project/KaraokeSong.h"
#include "timing/PlayClock.h"

namespace {
constexpr int kDuet = 2;
}

Placement::Placement(const KaraokeSong& song, const PlayClock& clock) : m_song(song), m_clock(clock) {}

void Placement::Restart()
{
    m_cursor = 0;
    m_open = kNone;
}

const MKaraokeWord* Placement::CursorWord() const
{
    return m_cursor < m_song.words.size() ? m_song.words[m_cursor].get() : nullptr;
}

const MKaraokeWord* Placement::OpenWord() const
{
    return m_open < m_song.words.size() ? m_song.words[m_open].get() : nullptr;
}

bool Placement::AtEnd() const
{
    return m_cursor >= m_song.words.size();
}

const MKaraokeWord* Placement::PlaceWord(KaraokeSong& song)
{
    // The moment comes first, before anything else is looked at.
    const uint32_t t = m_clock.Now();
    return m_clock.Running() ? PlaceWordAt(song, t) : nullptr;
}

const MKaraokeWord* Placement::PlaceWordAt(KaraokeSong& song, uint32_t t)
{
    if (&song != &m_song || AtEnd()) return nullptr;
    MKaraokeWord* w = song.words[m_cursor].get();
    if (m_linesOnly && w->line) {
        // The cursor is always on a line's first word: the tap is its moment, the rest of the
        // line is left to Auto-Time.
        for (auto& other : w->line->words) other->start = other->end = 0;
        w->start = w->end = t;
        w->line->placed = 1;
        const MKaraokeLine* line = w->line;
        while (m_cursor < song.words.size() && song.words[m_cursor]->line == line) ++m_cursor;
        if (song.settings.singerCount == kDuet) SkipSecondSingerLines(song, *w);
        return w;
    }
    w->start = t;
    if (w->line) w->line->placed = 1;
    if (m_open < song.words.size()) song.words[m_open]->end = t;
    m_open = m_cursor++;
    if (song.settings.singerCount == kDuet) SkipSecondSingerLines(song, *w);
    return w;
}

void Placement::SkipSecondSingerLines(KaraokeSong& song, const MKaraokeWord& placed)
{
    auto& words = song.words;
    while (m_cursor < words.size() && words[m_cursor]->line && words[m_cursor]->line != placed.line &&
           words[m_cursor]->line->secondSinger) {
        MKaraokeLine* skipped = words[m_cursor]->line;
        skipped->placed = 1;
        while (m_cursor < words.size() && words[m_cursor]->line == skipped) ++m_cursor;
    }
}

bool Placement::Pause(KaraokeSong& song)
{
    const uint32_t t = m_clock.Now();
    return m_clock.Running() && PauseAt(song, t);
}

bool Placement::PauseAt(KaraokeSong& song, uint32_t t)
{
    if (&song != &m_song || m_open >= song.words.size()) return false;
    song.words[m_open]->end = t;
    m_open = kNone;
    return true;
}

void Placement::Finish(KaraokeSong& song)
{
    if (&song != &m_song) return;
    if (m_open < song.words.size()) song.words[m_open]->end = song.words[m_open]->start + kOpenWordLength;
    m_open = kNone;
    if (song.settings.singerCount == kDuet && !m_linesOnly) FillDuetLines(song);
}

void Placement::FillDuetLines(KaraokeSong& song)
{
    const MKaraokeLine* previous = nullptr;
    for (auto& line : song.lines) {
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
