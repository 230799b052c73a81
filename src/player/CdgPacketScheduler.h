#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "player/CdgPacketDecoder.h"

// Runs a CD+G stream held in memory against a clock that someone else advances (the audio
// clock of the playback engine, or a preview's wall clock): every packet whose time has come
// is executed through the decoder, 300 packets for each second of the clock. The clock never
// runs backwards for the player: a clock below the highest value seen executes nothing.
//
// The renderer is not locked: while the player runs, only its thread draws. StopPlayer waits
// for that thread, so afterwards the caller may draw again.
class CdgPacketScheduler : public CdgPacketDecoder {
public:
    static constexpr int kDefaultThreadPriority = 1;

    explicit CdgPacketScheduler(CdgScreen* renderer = nullptr);
    ~CdgPacketScheduler() override;

    // The stream (24-byte packets); the caller keeps it alive until StopPlayer. Ignored while
    // running.
    void SetStream(std::span<const uint8_t> stream);
    std::span<const uint8_t> Stream() const { return m_stream; }
    // The clock, in sample frames at 44,100 Hz; none reads as 0.
    void SetClock(const std::atomic<uint32_t>* clock) { m_clock = clock; }
    // Priority level of the player's own thread ("AutoPlayCDGDisplayPriority").
    void SetThreadPriority(int level) { m_threadPriority = level; }

    // Starts the run loop, on a thread of its own or on the calling thread (then it returns
    // only after another thread has called StopPlayer). Packets from fromPosition on are
    // executed as the clock passes them; the screen is taken to show everything before it.
    // Nothing happens when already running.
    void StartPlayer(bool ownThread, uint32_t fromPosition = 0);
    // Ends the run loop and waits for it; then forgets the stream and the last position.
    void StopPlayer();
    bool IsRunning() const { return m_state.load() == kRunning; }

    // While stopped: executes, with presents held back, every packet from the last position
    // up to the clock value position and then presents the whole screen once. A seek does
    // this before play resumes.
    void CatchUp(uint32_t position);

    // The clock value up to which packets have been executed.
    uint32_t LastPosition() const { return m_lastPosition.load(); }
    // Where the last run loop stopped: the clock value up to which it had executed packets,
    // kept after StopPlayer, so that whoever pauses knows what the screen shows. 0 before any
    // run has been stopped.
    uint32_t StoppedPosition() const { return m_stoppedPosition.load(); }
    // Graphics packets executed by the run loop and CatchUp since construction.
    uint64_t ExecutedPackets() const { return m_executed.load(); }

private:
    static constexpr int kStopped = 0;
    static constexpr int kRunning = 2;

    void RunLoop();
    // Executes the graphics packets of indices [from, to), stopping early when the player is
    // told to stop (only while running). Returns the index it stopped before: to when it
    // went all the way.
    uint64_t ExecuteRange(uint64_t from, uint64_t to, bool whileRunning);
    // One pass: the packets between the last position and position.
    void Pass(uint32_t position, bool catchUp, bool whileRunning);

    std::span<const uint8_t> m_stream;
    const std::atomic<uint32_t>* m_clock = nullptr;
    int m_threadPriority = kDefaultThreadPriority;
    std::atomic<int> m_state{kStopped};
    std::atomic<uint32_t> m_lastPosition{0};
    std::atomic<uint32_t> m_stoppedPosition{0};
    std::atomic<uint64_t> m_executed{0};
    uint32_t m_highestPosition = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_inLoop = false; // guarded by m_mutex
};
