#include "align/VocalActivity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

std::vector<float> VocalActivity::Levels(const std::vector<int16_t>& samples, size_t hop, size_t window)
{
    const size_t count = samples.size() < window ? 0 : (samples.size() - window) / hop + 1;
    std::vector<float> level(count);
    for (size_t f = 0; f < count; ++f) {
        double energy = 0;
        for (size_t i = 0; i < window; ++i) {
            const double v = samples[f * hop + i];
            energy += v * v;
        }
        level[f] = float(10 * std::log10(energy / double(window) + 1.0));
    }
    return level;
}

VocalActivity::VocalActivity(const std::vector<int16_t>& samples)
{
    const std::vector<float> level = Levels(samples, kFrameSamples, kFrameSamples);
    const size_t frames = level.size();
    // Smoothed over 50 ms, so that a stop consonant does not cut a word in two.
    std::vector<float> smooth(frames);
    for (size_t f = 0; f < frames; ++f) {
        float best = level[f];
        for (size_t k = f >= 2 ? f - 2 : 0; k <= f + 2 && k < frames; ++k) best = std::max(best, level[k]);
        smooth[f] = best;
    }
    float peak = 0;
    if (frames > 0) {
        std::vector<float> sorted = smooth;
        std::sort(sorted.begin(), sorted.end());
        peak = sorted[size_t(double(frames - 1) * 0.995)];
    }
    // The level the music keeps between phrases changes through a song: it is taken for each
    // second from the ten seconds around it.
    constexpr size_t kBlock = 100, kReach = 5;
    const size_t blocks = (frames + kBlock - 1) / kBlock;
    std::vector<float> floors(blocks);
    std::vector<float> around;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t first = (b > kReach ? b - kReach : 0) * kBlock;
        const size_t end = std::min(frames, (b + kReach + 1) * kBlock);
        around.assign(smooth.begin() + long(first), smooth.begin() + long(end));
        const auto tenth = around.begin() + long(double(around.size() - 1) * 0.10);
        std::nth_element(around.begin(), tenth, around.end());
        floors[b] = *tenth;
    }
    m_active.resize(frames);
    m_prefix.resize(frames + 1, 0);
    for (size_t f = 0; f < frames; ++f) {
        const float threshold = std::max(peak - 40.0f, floors[f / kBlock] + 6.0f);
        m_active[f] = smooth[f] > threshold;
        m_prefix[f + 1] = m_prefix[f] + m_active[f];
    }
}

double VocalActivity::ActiveShare(size_t first, size_t end) const
{
    end = std::min(end, m_active.size());
    if (first >= end) return 0;
    return double(m_prefix[end] - m_prefix[first]) / double(end - first);
}

std::vector<VocalActivity::Run> VocalActivity::Runs(size_t minGap) const
{
    std::vector<Run> runs;
    for (size_t f = 0; f < m_active.size();) {
        if (!m_active[f]) {
            ++f;
            continue;
        }
        size_t end = f;
        while (end < m_active.size() && m_active[end]) ++end;
        if (!runs.empty() && f - runs.back().end < minGap) runs.back().end = end;
        else runs.push_back({f, end});
        f = end;
    }
    // A click of a few frames is no singing.
    std::erase_if(runs, [](const Run& r) { return r.Length() < 8; });
    return runs;
}

std::vector<VocalActivity::Run> VocalActivity::LineSpans(const std::vector<double>& weights, size_t rangeFirst,
                                                         size_t rangeEnd) const
{
    const size_t lines = weights.size();
    std::vector<Run> spans(lines);
    if (lines == 0) return spans;
    if (rangeEnd == 0 || rangeEnd > m_active.size()) rangeEnd = m_active.size();
    rangeFirst = std::min(rangeFirst, rangeEnd);
    std::vector<Run> runs;
    for (Run r : Runs(20)) {
        r.first = std::max(r.first, rangeFirst);
        r.end = std::min(r.end, rangeEnd);
        if (r.first < r.end) runs.push_back(r);
    }
    // Too many runs for the search below: the shortest pauses go first.
    while (runs.size() > std::max<size_t>(lines * 4, 64)) {
        size_t best = 1;
        for (size_t i = 2; i < runs.size(); ++i)
            if (runs[i].first - runs[i - 1].end < runs[best].first - runs[best - 1].end) best = i;
        runs[best - 1].end = runs[best].end;
        runs.erase(runs.begin() + long(best));
    }
    const double totalWeight = std::accumulate(weights.begin(), weights.end(), 0.0);
    size_t sung = 0;
    for (const Run& r : runs) sung += r.Length();

    if (runs.size() < lines || sung == 0) {
        // Share the singing (or the whole signal) out by weight.
        const size_t first = runs.empty() ? rangeFirst : runs.front().first;
        const size_t end = runs.empty() ? rangeEnd : runs.back().end;
        double at = double(first);
        for (size_t i = 0; i < lines; ++i) {
            const double length = double(end - first) * weights[i] / totalWeight;
            spans[i] = {size_t(at), size_t(at + length)};
            at += length;
        }
        return spans;
    }

    // cost[i][j]: the best way to give the first i lines the first j runs; a line's cost is how
    // far (as a ratio) its singing's length is from what its weight expects, and how short the
    // pause after it is.
    const size_t R = runs.size();
    std::vector<size_t> prefix(R + 1, 0);
    for (size_t j = 0; j < R; ++j) prefix[j + 1] = prefix[j] + runs[j].Length();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::vector<double>> cost(lines + 1, std::vector<double>(R + 1, inf));
    std::vector<std::vector<size_t>> from(lines + 1, std::vector<size_t>(R + 1, 0));
    cost[0][0] = 0;
    for (size_t i = 1; i <= lines; ++i) {
        const double expected = double(sung) * weights[i - 1] / totalWeight;
        for (size_t j = i; j + (lines - i) <= R; ++j) {
            for (size_t k = i - 1; k < j; ++k) {
                if (cost[i - 1][k] == inf) continue;
                const double length = double(prefix[j] - prefix[k]);
                const double ratio = std::log((length + 1) / (expected + 1));
                // A line ends best at a long pause: a short one is more likely between words.
                const double pause = j < R ? double(runs[j].first - runs[j - 1].end) : 1e9;
                const double c = cost[i - 1][k] + ratio * ratio + 2.0 * std::exp(-pause / 40.0);
                if (c < cost[i][j]) {
                    cost[i][j] = c;
                    from[i][j] = k;
                }
            }
        }
    }
    size_t j = R;
    for (size_t i = lines; i > 0; --i) {
        const size_t k = from[i][j];
        spans[i - 1] = {runs[k].first, runs[j - 1].end};
        j = k;
    }
    return spans;
}
