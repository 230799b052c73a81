#include "align/VocalAligner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "align/LyricWords.h"
#include "align/Pronouncer.h"
#include "align/SpeechDecoder.h"
#include "align/VocalActivity.h"
#include "align/VocalSignal.h"
#include "project/KaraokeSong.h"

namespace {

constexpr uint32_t kSamplesPerFrame = 441; // 10 ms at 44,100 Hz
constexpr size_t kMargin = 50;             // frames searched on either side of a line's singing
constexpr int kLoadShare = 15;             // percent of the progress the reading takes

// A word's time in 10 ms frames while the song is worked on.
struct Timed {
    double first = 0;
    double end = 0;
    double score = 0;
    bool recognised = false; // the speech model placed it (else it was spread)
    bool disagrees = false;  // a second cue does not agree with where it was placed
};

// Spreads words over [first, end) by their syllables.
void Spread(const std::vector<LyricWord>& words, size_t from, size_t to, double first, double end,
            std::vector<Timed>& timed)
{
    double total = 0;
    for (size_t k = from; k < to; ++k) total += std::max(1, words[k].syllables);
    double at = first;
    for (size_t k = from; k < to; ++k) {
        const double length = total > 0 ? (end - first) * std::max(1, words[k].syllables) / total : 0;
        timed[k].first = at;
        timed[k].end = at + length;
        at += length;
    }
}

constexpr size_t kNoTap = SIZE_MAX;
constexpr size_t kTapMargin = 30; // frames before a tap where its line may start (a late tap)
constexpr size_t kTapLate = 15;   // frames after a tap by which its line has begun (an early tap)

// Each lyric line's tap in frames, kNoTap for a line not tapped. Taps out of order (a tap
// before the one of a line above it) are not used.
std::vector<size_t> TapFrames(const std::vector<LyricLine>& lines, const std::vector<uint32_t>& lineStarts,
                              size_t frames)
{
    std::vector<size_t> taps(lines.size(), kNoTap);
    size_t last = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t line = lines[i].line;
        if (line >= lineStarts.size() || lineStarts[line] == 0) continue;
        const size_t frame = std::min(frames, size_t(lineStarts[line]) / kSamplesPerFrame);
        if (frame < last) continue;
        taps[i] = last = frame;
    }
    return taps;
}

constexpr size_t kTapAgrees = 50; // frames between a tap and the start the singing alone gives its line

// Each line's stretch of singing. Without taps the lines share all of it; a tapped line and the
// untapped lines after it share the singing from shortly before its tap to the next tap. Where
// the singing alone starts a tapped line near its tap, its stretch is kept (cut at the next
// tap): the pauses of the whole song tell better where a line ends than those between two taps.
std::vector<VocalActivity::Run> LineSpans(const VocalActivity& activity, const std::vector<LyricLine>& lines,
                                          const std::vector<size_t>& taps)
{
    std::vector<double> allWeights;
    for (const LyricLine& line : lines) allWeights.push_back(line.Weight());
    const std::vector<VocalActivity::Run> alone = activity.LineSpans(allWeights);
    if (std::all_of(taps.begin(), taps.end(), [](size_t t) { return t == kNoTap; })) return alone;

    std::vector<VocalActivity::Run> spans;
    size_t from = 0;
    while (from < lines.size()) {
        size_t to = from + 1;
        while (to < lines.size() && taps[to] == kNoTap) ++to;
        const size_t first = taps[from] == kNoTap ? 0 : taps[from] > kTapMargin ? taps[from] - kTapMargin : 0;
        const size_t end = to < lines.size() ? std::max(taps[to], first + 1) : activity.Frames();
        std::vector<double> weights;
        for (size_t i = from; i < to; ++i) weights.push_back(lines[i].Weight());
        std::vector<VocalActivity::Run> group = activity.LineSpans(weights, first, end);
        const VocalActivity::Run& own = alone[from];
        const VocalActivity::Run kept = {std::max(own.first, first), std::min(own.end, end)};
        if (taps[from] != kNoTap && to == from + 1 && own.first + kTapAgrees >= taps[from] &&
            own.first <= taps[from] + kTapAgrees && kept.first + 10 < kept.end)
            group.front() = kept;
        spans.insert(spans.end(), group.begin(), group.end());
        from = to;
    }
    return spans;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

} // namespace

bool VocalAligner::Fail(std::string why)
{
    m_error = std::move(why);
    return false;
}

bool VocalAligner::Align(const KaraokeSong& song, const Options& options, const ProgressCallback& progress,
                         std::vector<AlignedWord>& out)
{
    out.clear();
    m_error.clear();
    m_cancelled = false;
    const std::vector<LyricLine> lines = LyricWords::Read(song);
    if (lines.empty()) return Fail("the song has no lyrics to time");
    const bool english = options.language == Language::English ||
                         (options.language == Language::Detect && LyricWords::LooksEnglish(lines));

    // The speech model first: a missing model is said before a long read.
    SpeechDecoder decoder;
    if (english) {
        std::string why;
        if (!decoder.Open(why)) return Fail(why);
    }

    // The singing as 16 kHz samples.
    VocalSignal signal;
    std::string why;
    if (!signal.LoadFile(options.vocalPath, options.fullMix,
                         [&](int percent) { return ReportProgress(progress, percent * kLoadShare / 100); }, why,
                         m_cancelled))
        return Fail(why);
    const std::vector<int16_t>& samples = signal.Samples();
    const size_t frames = samples.size() / VocalActivity::kFrameSamples;
    if (frames < 10) return Fail(options.vocalPath + ": holds no sound to time the words by");

    const VocalActivity activity(samples);
    const std::vector<size_t> taps = TapFrames(lines, options.lineStarts, frames);
    const std::vector<VocalActivity::Run> spans = LineSpans(activity, lines, taps);

    std::vector<std::vector<Timed>> timed(lines.size());
    std::vector<double> scores;
    size_t previousEnd = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!ReportProgress(progress, kLoadShare + int((100 - kLoadShare) * i / lines.size()))) {
            m_cancelled = true;
            return Fail({});
        }
        const std::vector<LyricWord>& words = lines[i].words;
        std::vector<Timed>& t = timed[i];
        t.resize(words.size());
        // A tapped line is looked for from shortly before its tap (a tap comes late more often
        // than early), whatever the line before it took.
        size_t first = std::max(previousEnd, spans[i].first > kMargin ? spans[i].first - kMargin : 0);
        if (taps[i] != kNoTap)
            first = std::max(std::min(previousEnd, taps[i]), taps[i] > kTapMargin ? taps[i] - kTapMargin : 0);
        size_t end = std::min(frames, spans[i].end + kMargin);
        if (i + 1 < lines.size()) end = std::min(end, std::max(spans[i + 1].first + kMargin / 2, spans[i].end));
        // The next line's tap is a bound no search goes past.
        const size_t nextTap = i + 1 < lines.size() && taps[i + 1] != kNoTap ? taps[i + 1] : frames;
        end = std::min(end, std::max(nextTap, spans[i].end));
        end = std::max(end, std::min(frames, first + 20));

        // The words the model can say, by their place in the line.
        std::vector<size_t> sung;
        for (size_t k = 0; k < words.size(); ++k)
            if (english && !words[k].key.empty() && decoder.Know(words[k].key, Pronouncer::Phones(words[k].key)))
                sung.push_back(k);

        // Where the search may look when the line's stretch proves too short: up to the end of
        // the next line's.
        const size_t wideEnd = std::min(nextTap, i + 1 < lines.size() ? std::min(frames, spans[i + 1].end) : frames);
        size_t done = 0; // of sung
        size_t at = first;
        size_t take = sung.size(); // words searched for at once
        bool widened = false;
        while (done < sung.size() && at + 20 <= end) {
            std::vector<std::string> keys;
            for (size_t s = done; s < std::min(sung.size(), done + take); ++s) keys.push_back(words[sung[s]].key);
            const auto segments = decoder.Align(samples.data() + at * VocalActivity::kFrameSamples,
                                                (end - at) * VocalActivity::kFrameSamples, keys);
            // A search that stopped short: its last word is doubtful, the ones before it hold.
            const size_t keep = segments.size() == keys.size() ? segments.size()
                                : segments.size() >= 2       ? segments.size() - 1
                                                             : 0;
            for (size_t s = 0; s < keep; ++s) {
                Timed& w = t[sung[done + s]];
                w.first = double(at) + segments[s].firstFrame;
                w.end = double(at) + segments[s].lastFrame + 1;
                w.score = segments[s].score;
                w.recognised = true;
                scores.push_back(w.score);
            }
            if (keep == 0) {
                // Nothing found: ask for fewer words at once, whose end the search can reach;
                // then the stretch may end before the line does, so look further.
                if (keys.size() > 1) {
                    take = (keys.size() + 1) / 2;
                } else if (!widened && wideEnd > end) {
                    end = wideEnd;
                    widened = true;
                    take = sung.size();
                } else {
                    break;
                }
                continue;
            }
            done += keep;
            at = size_t(t[sung[done - 1]].end);
            take = sung.size();
        }
        // What the model could not place is spread over what is left of the line's stretch.
        std::vector<bool> placed(words.size(), false);
        for (size_t s = 0; s < done; ++s) placed[sung[s]] = true;
        if (done < sung.size() || sung.empty()) {
            const size_t from = done < sung.size() ? sung[done] : 0;
            const double spreadFirst = done > 0 ? t[sung[done - 1]].end : double(std::max(first, spans[i].first));
            const double spreadEnd = std::max(spreadFirst + 10, double(std::min(end, spans[i].end)));
            Spread(words, from, words.size(), spreadFirst, spreadEnd, t);
            for (size_t k = from; k < words.size(); ++k) {
                t[k].recognised = false;
                placed[k] = true;
            }
        }
        // Words nobody sings (a dash, a note sign) start where the word before them ends.
        for (size_t k = 0; k < words.size(); ++k) {
            if (placed[k]) continue;
            t[k].first = t[k].end = k > 0 ? t[k - 1].end : double(first);
        }
        // A tapped line begins by its tap: a first word found well after it was missed there.
        if (taps[i] != kNoTap && !t.empty() && t[0].first > double(taps[i] + kTapLate) && t[0].end > double(taps[i])) {
            t[0].first = double(taps[i]);
            t[0].disagrees = true;
        }
        for (const Timed& w : t) previousEnd = std::max(previousEnd, size_t(w.end));
        previousEnd = std::min(previousEnd, frames);

        // A second opinion: the line searched again in the singing heard another way, over a
        // wider stretch. A word the two place apart is doubtful.
        if (!sung.empty()) {
            const size_t secondFirst = spans[i].first > 2 * kMargin ? spans[i].first - 2 * kMargin : 0;
            const size_t secondEnd = std::min(frames, std::max(end, spans[i].end + 2 * kMargin));
            std::vector<std::string> keys;
            for (size_t k : sung) keys.push_back(words[k].key);
            const auto second = decoder.Align(signal.OtherSamples().data() + secondFirst * VocalActivity::kFrameSamples,
                                              (secondEnd - secondFirst) * VocalActivity::kFrameSamples, keys);
            if (second.size() == keys.size()) {
                for (size_t s = 0; s < second.size(); ++s) {
                    Timed& w = t[sung[s]];
                    if (w.recognised && std::fabs(double(secondFirst + size_t(second[s].firstFrame)) - w.first) > 15)
                        w.disagrees = true;
                }
            }
        }

        // Second cues: the line's stretch of singing, and whether the voice is there at all.
        for (size_t k = 0; k < words.size(); ++k) {
            Timed& w = t[k];
            const double lo = double(spans[i].first) - 30, hi = double(spans[i].end) + 30;
            if (w.first < lo || w.first > hi) w.disagrees = true;
            if (activity.ActiveShare(size_t(w.first), size_t(std::max(w.first + 1, w.end))) < 0.3) w.disagrees = true;
            if (w.end - w.first > 150.0 * std::max(1, words[k].syllables)) w.disagrees = true;
        }
    }

    // The acoustic score against the song's own: a word that fits the sound much worse than
    // the song's usual word is doubtful.
    const double median = Median(scores);
    std::vector<double> deviations;
    for (double s : scores) deviations.push_back(std::fabs(s - median));
    const double spread = std::max(Median(deviations), 1e-9);

    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<LyricWord>& words = lines[i].words;
        for (size_t k = 0; k < words.size(); ++k) {
            const Timed& w = timed[i][k];
            double confidence = 0.2;
            if (w.recognised) confidence = 1.0 / (1.0 + std::exp(-((w.score - median) / spread + 2.0)));
            if (w.disagrees) confidence *= 0.5;
            const bool unsure = !w.recognised || w.disagrees || confidence < 0.5;
            // The elements of a word share its span by their syllables.
            double total = 0;
            for (double x : words[k].elementWeights) total += x;
            double at = w.first;
            for (size_t e = 0; e < words[k].elementCount; ++e) {
                const double length = total > 0 ? (w.end - w.first) * words[k].elementWeights[e] / total : 0;
                AlignedWord a;
                a.element = words[k].firstElement + e;
                a.line = lines[i].line;
                const MKaraokeLine* line = song.lines[a.line].get();
                const MKaraokeWord* element = song.words[a.element].get();
                a.word = size_t(std::find(line->words.begin(), line->words.end(), element) - line->words.begin());
                // Sample 0 means "not placed": a word at the very start is a sample later.
                a.start = std::max<uint32_t>(1, uint32_t(std::lround(at * kSamplesPerFrame)));
                a.end = std::max(a.start, uint32_t(std::lround((at + length) * kSamplesPerFrame)));
                a.confidence = std::clamp(confidence, 0.0, 1.0);
                a.unsure = unsure;
                out.push_back(a);
                at += length;
            }
        }
    }
    ReportProgress(progress, 100);
    return true;
}
