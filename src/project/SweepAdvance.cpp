#include "project/SweepAdvance.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr int64_t kFramesPerHundredth = 441;
constexpr int64_t kAppliedShare = 2; // the stream applies half of the stored value
constexpr int64_t kMillisecondsPerHundredth = 10;

} // namespace

SweepAdvance SweepAdvance::FromAppliedSeconds(double seconds)
{
    const double stored = -std::round(seconds * 100.0 * kAppliedShare);
    if (!(stored >= double(std::numeric_limits<int32_t>::min()))) return SweepAdvance(std::numeric_limits<int32_t>::min());
    if (stored > double(std::numeric_limits<int32_t>::max())) return SweepAdvance(std::numeric_limits<int32_t>::max());
    return SweepAdvance(int32_t(stored));
}

int64_t SweepAdvance::ShiftFrames() const
{
    return int64_t(m_stored) * kFramesPerHundredth / kAppliedShare;
}

int64_t SweepAdvance::AppliedMilliseconds() const
{
    return -int64_t(m_stored) * kMillisecondsPerHundredth / kAppliedShare;
}

double SweepAdvance::AppliedSeconds() const
{
    return double(AppliedMilliseconds()) / 1000.0;
}

std::string SweepAdvance::AppliedText() const
{
    const int64_t ms = AppliedMilliseconds();
    const int64_t magnitude = ms < 0 ? -ms : ms;
    char buf[32];
    if (magnitude % kMillisecondsPerHundredth == 0)
        std::snprintf(buf, sizeof buf, "%s%lld.%02lld", ms < 0 ? "-" : "", static_cast<long long>(magnitude / 1000),
                      static_cast<long long>(magnitude % 1000 / kMillisecondsPerHundredth));
    else
        std::snprintf(buf, sizeof buf, "%s%lld.%03lld", ms < 0 ? "-" : "", static_cast<long long>(magnitude / 1000),
                      static_cast<long long>(magnitude % 1000));
    return buf;
}
