#include "audio/ManualResetEvent.h"

void ManualResetEvent::Set()
{
    // Notify under the lock: a waiter that sees the flag may destroy the event at once, so the
    // raising thread must be done with it before the waiter can return.
    std::lock_guard lock(m_mutex);
    m_set = true;
    m_changed.notify_all();
}

void ManualResetEvent::Reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

bool ManualResetEvent::IsSet() const
{
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool ManualResetEvent::WaitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_set; });
}
