#include "player/CdgPacketScheduler.h"

#include <algorithm>
#include <chrono>

#include "cdg/CdgFormat.h"
#include "media/ThreadPriority.h"
#include "player/CdgScreen.h"

namespace {

// The loop looks at the clock this often while it stands still; the audio clock itself moves
// at least every 10 ms.
constexpr auto kIdleWait = std::chrono::milliseconds(10);

} // namespace

CdgPacketScheduler::CdgPacketScheduler(CdgScreen* renderer) : CdgPacketDecoder(renderer) {}

CdgPacketScheduler::~CdgPacketScheduler()
{
    StopPlayer();
}

void CdgPacketScheduler::SetStream(std::span<const uint8_t> stream)
{
    if (IsRunning()) return;
    m_stream = stream;
}

void CdgPacketScheduler::StartPlayer(bool ownThread, uint32_t fromPosition)
{
    int expected = kStopped;
    if (!m_state.compare_exchange_strong(expected, kRunning)) return;
    // A loop that ended by itself (empty stream) leaves its thread to be joined here.
    if (m_thread.joinable()) m_thread.join();
    m_lastPosition.store(fromPosition);
    m_highestPosition = fromPosition;
    {
        std::lock_guard lock(m_mutex);
        m_inLoop = true;
    }
    if (ownThread) {
        m_thread = std::thread([this] {
            SetCurrentThreadPriority(m_threadPriority);
            RunLoop();
        });
    } else {
        RunLoop();
    }
}

void CdgPacketScheduler::StopPlayer()
{
    if (m_state.exchange(kStopped) == kRunning) {
        std::unique_lock lock(m_mutex);
        m_wake.notify_all();
        // A loop on another caller's thread is waited for; our own thread is joined below.
        m_wake.wait(lock, [this] { return !m_inLoop; });
        // The loop has made its last pass.
        m_stoppedPosition.store(m_lastPosition.load());
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
    m_stream = {};
    m_lastPosition.store(0);
    m_highestPosition = 0;
}

void CdgPacketScheduler::CatchUp(uint32_t position)
{
    if (IsRunning()) return;
    m_highestPosition = std::max(m_highestPosition, position);
    Pass(position, true, false);
}

uint64_t CdgPacketScheduler::ExecuteRange(uint64_t from, uint64_t to, bool whileRunning)
{
    const uint8_t* data = m_stream.data();
    const size_t size = m_stream.size();
    for (uint64_t i = from; i < to; ++i) {
        if (whileRunning && !IsRunning()) return i;
        const uint64_t offset = i * kCdgPacketBytes;
        // The stream's last packet is never played.
        if (offset + kCdgPacketBytes >= size) break;
        if (!IsCdgGraphicsCommand(data[offset + kCdgCommandByte])) continue;
        ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(data + offset, kCdgPacketBytes));
        m_executed.fetch_add(1, std::memory_order_relaxed);
    }
    return to;
}

void CdgPacketScheduler::Pass(uint32_t position, bool catchUp, bool whileRunning)
{
    const uint32_t last = m_lastPosition.load();
    if (position <= last) return;
    if (m_stream.size() >= kCdgPacketBytes) {
        const uint64_t lastPacket = m_stream.size() / kCdgPacketBytes - 1;
        const uint64_t from = std::min<uint64_t>(PositionToPacket(last), lastPacket);
        const uint64_t to = std::min<uint64_t>(PositionToPacket(position), lastPacket);
        CdgScreen* renderer = Renderer();
        if (catchUp && renderer) renderer->SetSuppressPresent(true);
        const uint64_t reached = ExecuteRange(from, to, whileRunning);
        if (catchUp && renderer) {
            renderer->SetSuppressPresent(false);
            renderer->PresentAll();
        }
        // Told to stop halfway: the position says how far the packets were executed.
        if (reached < to) position = uint32_t(reached * kCdgSampleFramesPerPacket);
    }
    m_lastPosition.store(position);
}

void CdgPacketScheduler::RunLoop()
{
    bool catchUp = true;
    if (m_stream.size() >= kCdgPacketBytes) {
        while (IsRunning()) {
            uint32_t position = m_clock ? m_clock->load(std::memory_order_acquire) : 0;
            position = std::max(position, m_highestPosition);
            m_highestPosition = position;
            if (position == m_lastPosition.load()) {
                std::unique_lock lock(m_mutex);
                m_wake.wait_for(lock, kIdleWait, [this] { return !IsRunning(); });
                continue;
            }
            Pass(position, catchUp, true);
            catchUp = false;
        }
    }
    // An empty stream ends the loop at once; the player counts as stopped again.
    m_state.store(kStopped);
    std::lock_guard lock(m_mutex);
    m_inLoop = false;
    m_wake.notify_all();
}
