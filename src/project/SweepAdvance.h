#pragma once
#include <cstdint>
#include <string>

// Advance Sweep: how far ahead of each word's time its sweep runs. The song stores it in
// hundredths of a second (SettingsBlock::advanceSweep, -500 ... 0), but the stream has always
// moved the sweeps by half of the stored value, and saved songs rely on their streams as they
// are. So the stored number and the stream stay as they were, and everything the user reads or
// sets (the settings dialog, info, the manual) is the advance actually applied.
class SweepAdvance {
public:
    static constexpr int32_t kStoredLongest = -500; // applied 2.50 s

    static SweepAdvance FromStored(int32_t stored) { return SweepAdvance(stored); }
    // The stored value that applies this advance, to the nearest half hundredth.
    static SweepAdvance FromAppliedSeconds(double seconds);

    int32_t Stored() const { return m_stored; }
    // Sample frames every sweep moves by: negative is earlier. Cut toward zero.
    int64_t ShiftFrames() const;
    // The advance applied, in thousandths of a second (always exact) and in seconds.
    int64_t AppliedMilliseconds() const;
    double AppliedSeconds() const;
    // The applied advance as the user reads it: two decimals ("0.10"), three where the stored
    // value is odd ("0.025").
    std::string AppliedText() const;

private:
    explicit SweepAdvance(int32_t stored) : m_stored(stored) {}

    int32_t m_stored;
};
