#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "media/ProgressCallback.h"

// Where the notes of a vocal track begin, for a tap to snap to: each moment the voice comes up
// from silence to within 30 dB of the loudest it gets over the next 200 ms, or climbs again by
// 10 dB or more out of a dip between two sung notes. Times are samples at 44,100 Hz.
class VocalOnsets {
public:
    // How far a tap may move to reach an onset by default: a person taps a little after the
    // note more often than before it, so 200 ms back and 80 ms ahead.
    static constexpr uint32_t kSnapBack = 44100 * 20 / 100;
    static constexpr uint32_t kSnapAhead = 44100 * 8 / 100;

    // Reads the vocal track at path (any music file FFmpeg reads). False with why (naming the
    // file) when it cannot be read; cancelled when progress asked to stop.
    bool Load(const std::string& path, const ProgressCallback& progress, std::string& why, bool& cancelled);
    // The onsets of 16 kHz mono samples.
    void Find(const std::vector<int16_t>& samples);

    const std::vector<uint32_t>& Onsets() const { return m_onsets; }
    // The onset nearest time no further than back before it or ahead after it; time itself
    // when there is none.
    uint32_t Snap(uint32_t time, uint32_t back = kSnapBack, uint32_t ahead = kSnapAhead) const;

private:
    std::vector<uint32_t> m_onsets; // ascending
};
