#include "align/VocalOnsets.h"

#include <algorithm>
#include <cmath>

#include "align/VocalActivity.h"
#include "align/VocalSignal.h"

namespace {

constexpr size_t kHop = 80;         // 5 ms at 16 kHz
constexpr size_t kWindow = 160;     // 10 ms
constexpr size_t kAhead = 40;       // hops: the 200 ms a note's loudness is taken over
constexpr size_t kDipReach = 6;     // hops either side a dip is the lowest of
constexpr size_t kLeast = 8;        // hops between two onsets
constexpr float kFromSilence = 30;  // dB under the note's loudest where it begins
constexpr float kDipRise = 10;      // dB a note climbs out of a dip
constexpr float kRange = 40;        // dB under the track's loudest that still counts as singing

} // namespace

bool VocalOnsets::Load(const std::string& path, const ProgressCallback& progress, std::string& why, bool& cancelled)
{
    m_onsets.clear();
    VocalSignal signal;
    if (!signal.LoadFile(path, false, progress, why, cancelled)) return false;
    Find(signal.Samples());
    return true;
}

void VocalOnsets::Find(const std::vector<int16_t>& samples)
{
    m_onsets.clear();
    const std::vector<float> level = VocalActivity::Levels(samples, kHop, kWindow);
    const size_t hops = level.size();
    if (hops == 0) return;
    std::vector<float> sorted = level;
    const auto top = sorted.begin() + long(double(hops - 1) * 0.995);
    std::nth_element(sorted.begin(), top, sorted.end());
    const float singing = *top - kRange;

    // The loudest of the next kAhead hops, from each hop on.
    std::vector<float> ahead(hops);
    for (size_t h = hops; h-- > 0;) {
        float best = level[h];
        for (size_t k = h + 1; k < std::min(hops, h + kAhead); ++k) best = std::max(best, level[k]);
        ahead[h] = best;
    }
    const auto add = [&](size_t hop) {
        // The centre of the hop's window, in 44,100 Hz samples.
        const uint32_t at = uint32_t(std::lround(double(hop * kHop + kWindow / 2) * 44100.0 / VocalSignal::kRate));
        if (!m_onsets.empty() && at < m_onsets.back() + kLeast * kHop * 44100 / VocalSignal::kRate) return;
        m_onsets.push_back(at);
    };
    bool sounding = false;
    for (size_t h = 0; h < hops; ++h) {
        const bool near = ahead[h] > singing && level[h] >= ahead[h] - kFromSilence;
        if (near && !sounding) {
            add(h);
        } else if (near && h >= kDipReach && h + kDipReach < hops) {
            // A dip: the lowest of the hops around it, well under what came before and after.
            const auto lo = level.begin() + long(h - kDipReach), hi = level.begin() + long(h + kDipReach + 1);
            if (level[h] == *std::min_element(lo, hi) && *std::max_element(lo, level.begin() + long(h)) >= level[h] + 6 &&
                ahead[h] >= level[h] + kDipRise) {
                size_t rise = h;
                while (rise + 1 < hops && level[rise] < level[h] + 3) ++rise;
                add(rise);
            }
        }
        sounding = near;
    }
}

uint32_t VocalOnsets::Snap(uint32_t time, uint32_t back, uint32_t ahead) const
{
    const auto after = std::lower_bound(m_onsets.begin(), m_onsets.end(), time);
    const bool later = after != m_onsets.end() && *after - time <= ahead;
    const bool earlier = after != m_onsets.begin() && time - *(after - 1) <= back;
    if (later && (!earlier || *after - time < time - *(after - 1))) return *after;
    return earlier ? *(after - 1) : time;
}
