#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// A flag that one thread raises and others poll or wait for; it stays raised until Reset. The
// views hand one to the player, which raises it whenever playback ends.
class ManualResetEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was raised within the timeout.
    bool WaitFor(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_set = false;
};
