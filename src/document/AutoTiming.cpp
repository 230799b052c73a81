#include "document/AutoTiming.h"

#include <algorithm>

#include "align/LyricWords.h"
#include "align/VocalAligner.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"

AutoTiming::AutoTiming(const SongDocument& doc, std::string vocals)
    : m_song(doc.Song().DeepCopy()), m_signal(std::move(vocals))
{
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

bool AutoTiming::Fits(const SongDocument& doc) const
{
    return doc.Song().lyricText == m_song->lyricText && doc.Song().words.size() == m_song->words.size();
}

bool AutoTiming::Apply(SongDocument& doc) const
{
    return doc.ApplyWordTimes(m_times);
}

std::string AutoTiming::Summary() const
{
    const size_t timed = m_times.size();
    std::string text = "Auto-Time timed " + std::to_string(timed) + (timed == 1 ? " word" : " words") + ", " +
                       std::to_string(UnsureCount()) + " unsure";
    if (m_spread) text += ": the lyrics are not in English, so every word was timed by where the voice is and is unsure";
    return text + ".";
}
