#include "audio/TimeStretcher.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kStretchChannels = 2;
constexpr int kNoPitchChange = 0;
constexpr double kNoRateChange = 0.0;
// 16-bit samples travel through the library as floats of -1 to just under 1.
constexpr float kSampleScale = 32768.0f;

static_assert(std::is_same_v<soundtouch::SAMPLETYPE, float>,
              "the library is expected in its float-sample build, as Debian ships it");

} // namespace

struct TimeStretcher::Engine {
    soundtouch::SoundTouch touch;
};

TimeStretcher::TimeStretcher(uint32_t sampleRate, int tempoChange) : m_engine(std::make_unique<Engine>())
{
    soundtouch::SoundTouch& t = m_engine->touch;
    t.setSampleRate(sampleRate);
    t.setChannels(kStretchChannels);
    t.setTempoChange(double(tempoChange));
    t.setPitchSemiTones(kNoPitchChange);
    t.setRateChange(kNoRateChange);
    t.setSetting(SETTING_USE_AA_FILTER, 0);
    t.setSetting(SETTING_USE_QUICKSEEK, 1);
    m_tempoChange = tempoChange;
}

TimeStretcher::~TimeStretcher()
{
    Clear();
}

void TimeStretcher::SetTempoChange(int tempoChange)
{
    if (tempoChange == m_tempoChange) return;
    m_engine->touch.setTempoChange(double(tempoChange));
    m_tempoChange = tempoChange;
}

void TimeStretcher::Put(const int16_t* frames, size_t count)
{
    if (count == 0) return;
    m_scratch.resize(count * kStretchChannels);
    for (size_t i = 0; i < m_scratch.size(); ++i) m_scratch[i] = float(frames[i]) / kSampleScale;
    m_engine->touch.putSamples(m_scratch.data(), uint32_t(count));
}

size_t TimeStretcher::Receive(int16_t* out, size_t maxFrames)
{
    if (maxFrames == 0) return 0;
    m_scratch.resize(maxFrames * kStretchChannels);
    const size_t got = m_engine->touch.receiveSamples(m_scratch.data(), uint32_t(maxFrames));
    for (size_t i = 0; i < got * kStretchChannels; ++i) {
        // The stretched waveform can overshoot full scale a little.
        const float v = std::clamp(std::nearbyint(m_scratch[i] * kSampleScale), -kSampleScale, kSampleScale - 1.0f);
        out[i] = int16_t(v);
    }
    return got;
}

size_t TimeStretcher::Ready() const
{
    return m_engine->touch.numSamples();
}

void TimeStretcher::Flush()
{
    m_engine->touch.flush();
}

void TimeStretcher::Clear()
{
    m_engine->touch.clear();
}
