#pragma once
#include <cstdint>

// The audio clock the timing rules read: where the music is, in sample frames at 44,100 Hz, and
// whether it runs. The views read the program's player through it; tests set it by hand, so
// that a rule sees exactly the moments they choose.
class PlayClock {
public:
    virtual ~PlayClock() = default;
    // The clock at this instant: what a key press is stamped with.
    virtual uint32_t Now() const = 0;
    // Whether the music runs (presses count only then).
    virtual bool Running() const = 0;
};

// A clock that stands where it is put.
class ManualClock : public PlayClock {
public:
    uint32_t Now() const override { return m_now; }
    bool Running() const override { return m_running; }
    void Set(uint32_t frames) { m_now = frames; }
    void Advance(uint32_t frames) { m_now += frames; }
    void SetRunning(bool running) { m_running = running; }

private:
    uint32_t m_now = 0;
    bool m_running = true;
};

// The clock of the program's one player (none: stands at 0, not running).
class PlayerClock : public PlayClock {
public:
    uint32_t Now() const override;
    bool Running() const override;
};
