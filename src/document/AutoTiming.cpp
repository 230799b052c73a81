#include "document/AutoTiming.h"

#include <algorithm>

#include "align/LyricWords.h"
#include "align/VocalAligner.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"

AutoTiming::AutoTiming(const SongDocument& doc, std::string vocals, Lines lines)
    : m_song(doc.Song().DeepCopy()), m_signal(std::move(vocals)), m_before(SongSnapshot::Capture(doc.Song()))
{
    if (lines == Lines::FromTaps) {
        m_lineStarts = LineTaps(*m_song);
        m_tapped = size_t(std::count_if(m_lineStarts.begin(), m_lineStarts.end(), [](uint32_t t) { return t != 0; }));
    }
    m_fullMix = m_signal.empty();
    if (m_fullMix) m_signal = doc.Song().MusicWorkPath();
    // As the aligner decides it: lyrics in English letters alone are recognised.
    m_spread = !LyricWords::LooksEnglish(LyricWords::Read(*m_song));
}

AutoTiming::~AutoTiming() = default;

bool AutoTiming::Run(const ProgressCallback& progress)
{
    m_times.clear();
    m_error.clear();
    m_cancelled = false;
    VocalAligner::Options options;
    options.vocalPath = m_signal;
    options.fullMix = m_fullMix;
    options.lineStarts = m_lineStarts;
    VocalAligner aligner;
    if (aligner.Align(*m_song, options, progress, m_times)) return true;
    m_cancelled = aligner.Cancelled();
    m_error = aligner.Error();
    m_times.clear();
    return false;
}

size_t AutoTiming::UnsureCount() const
{
    return size_t(std::count_if(m_times.begin(), m_times.end(), [](const AlignedWord& t) { return t.unsure; }));
}

std::vector<uint32_t> AutoTiming::LineTaps(const KaraokeSong& song)
{
    std::vector<uint32_t> taps(song.lines.size(), 0);
    for (size_t i = 0; i < song.lines.size(); ++i)
        if (!song.lines[i]->words.empty()) taps[i] = song.lines[i]->words.front()->start;
    return taps;
}

bool AutoTiming::HoldsOnlyLineTaps(const KaraokeSong& song)
{
    bool tapped = false;
    for (const auto& line : song.lines)
        for (size_t k = 0; k < line->words.size(); ++k) {
            if (line->words[k]->start == 0) continue;
            if (k > 0) return false;
            tapped = true;
        }
    return tapped;
}

bool AutoTiming::Fits(const SongDocument& doc) const
{
    return SongSnapshot::Capture(doc.Song()) == m_before;
}

std::string AutoTiming::Refusal(const SongDocument& doc) const
{
    if (Fits(doc)) return {};
    return doc.Song().lyricText != m_song->lyricText ? kLyricsChanged : kSongChanged;
}

bool AutoTiming::Apply(SongDocument& doc) const
{
    return Fits(doc) && doc.ApplyWordTimes(m_times);
}

std::string AutoTiming::Summary() const
{
    const size_t timed = m_times.size();
    std::string text = "Auto-Time timed " + std::to_string(timed) + (timed == 1 ? " word" : " words") + ", " +
                       std::to_string(UnsureCount()) + " unsure";
    if (m_spread) text += ": the lyrics are not in English, so every word was timed by where the voice is and is unsure";
    if (m_tapped > 0)
        text += ", each line from where it was tapped (" + std::to_string(m_tapped) +
                (m_tapped == 1 ? " line)" : " lines)");
    return text + ".";
}
