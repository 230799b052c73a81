#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// Where the player's sound goes: a stream of 16-bit stereo frames at one sample rate, fed from a
// ring of queued bytes. The count of frames the device has taken from the ring is the play
// cursor: it tells the feeder how much room there is. What the user hears lags behind it by the
// device's latency, so the player's clock is built on the heard count instead: each take is placed
// on the steady clock by when its first frame reaches the converter, and carried forward at the
// sample rate between takes.
//
// The device takes only what has been queued. When the ring runs dry it plays silence and the
// count stands still, so the clock never runs ahead of the music that was actually played.
//
// Append, PlayedFrames and QueuedBytes may be called from any thread while the device plays;
// Open, Start, Stop and Close from one thread at a time (the player serialises them).
class AudioOutput {
public:
    static constexpr uint32_t kChannels = 2;
    static constexpr uint32_t kBitsPerSample = 16;
    static constexpr uint32_t kFrameBytes = kChannels * kBitsPerSample / 8;

    virtual ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Prepares the device for 16-bit stereo at sampleRate with a ring of ringBytes (rounded down
    // to whole frames). False when no device could be prepared; FailureText says why.
    bool Open(uint32_t sampleRate, uint32_t ringBytes);
    // Starts taking frames from the ring. The play count goes on from where it stood.
    bool Start();
    // Stops taking frames at once; what is queued stays queued.
    void Stop();
    // Releases the device and forgets the ring and the counts.
    void Close();

    // Queues data after what was queued before. False (and nothing queued) when it would
    // overwrite bytes that have not been played yet or the output is not open.
    bool Append(std::span<const uint8_t> data);

    // Frames taken by the device since Open: the play cursor.
    uint64_t PlayedFrames() const { return m_playedFrames.load(std::memory_order_acquire); }
    // Frames heard by the moment at: the last take carried forward from when its first frame is
    // heard, never more than the frames taken. After Stop it stands where the sound stopped.
    uint64_t HeardFrames(std::chrono::steady_clock::time_point at) const;

    // One take of the device: the frames taken before it, how many it took, when the device took
    // them and when the first of them is heard.
    struct Take {
        uint64_t before = 0;
        uint64_t count = 0;
        std::chrono::steady_clock::time_point takenAt{};
        std::chrono::steady_clock::time_point heardAt{};
    };
    // Called on the device's thread after every take that took music (for measuring the clock).
    // Set it before Start.
    using TakeObserver = std::function<void(const Take&)>;
    void SetTakeObserver(TakeObserver observer) { m_takeObserver = std::move(observer); }
    // Bytes queued since Open.
    uint64_t QueuedBytes() const;
    uint32_t RingBytes() const { return uint32_t(m_ring.size()); }
    uint32_t SampleRate() const { return m_sampleRate; }
    bool IsOpen() const { return m_open; }
    bool IsStarted() const { return m_started; }
    const std::string& FailureText() const { return m_failure; }
    // A short name for messages: "PortAudio", "null".
    virtual const char* Name() const = 0;

protected:
    AudioOutput();

    virtual bool OpenDevice(uint32_t sampleRate) = 0;
    virtual bool StartDevice() = 0;
    virtual void StopDevice() = 0;
    virtual void CloseDevice() = 0;

    // Called by the device, from its own thread, for the next frames: fills out (frames x 2
    // samples) with queued music and silence after it. untilHeard is how long the first of them
    // takes to reach the listener (negative for a device that takes frames already due).
    // Returns the frames of music taken.
    size_t Consume(int16_t* out, size_t frames, std::chrono::nanoseconds untilHeard = {});

    void SetFailure(std::string text) { m_failure = std::move(text); }

private:
    // Guards the ring and the queued count: the feeder writes while the device reads.
    mutable std::mutex m_ringLock;
    std::vector<uint8_t> m_ring;
    uint64_t m_queuedBytes = 0;
    std::atomic<uint64_t> m_playedFrames{0};
    Take m_lastTake; // guarded by m_ringLock
    TakeObserver m_takeObserver;
    uint32_t m_sampleRate = 0;
    bool m_open = false;
    bool m_started = false;
    std::string m_failure;
};

