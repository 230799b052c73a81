#include "export/VideoSegmentThread.h"

#include <chrono>

VideoSegmentThread::VideoSegmentThread(VideoSegmentEncoder& encoder, uint64_t first, uint64_t end)
    : m_encoder(encoder), m_first(first), m_end(end)
{
}

VideoSegmentThread::~VideoSegmentThread()
{
    Stop();
}

void VideoSegmentThread::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void VideoSegmentThread::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

bool VideoSegmentThread::Queue(AVPacket* packet, std::string* failure)
{
    std::unique_ptr<AVPacket, PacketDeleter> copy(av_packet_alloc());
    if (!copy) {
        if (failure) *failure = "Out of memory while encoding the video.";
        return false;
    }
    av_packet_move_ref(copy.get(), packet);
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(copy));
    }
    m_changed.notify_all();
    return true;
}

void VideoSegmentThread::Run()
{
    std::string failure;
    const bool ok = m_encoder.Encode(
        m_first, m_end, [this](AVPacket* p, std::string* f) { return Queue(p, f); },
        [this] {
            ++m_framesDone;
            return !m_stop.load();
        },
        &failure);
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
        m_failed = !ok;
        m_failure = failure;
    }
    m_changed.notify_all();
}

bool VideoSegmentThread::TakeAll(const VideoSegmentEncoder::PacketSink& write, const std::function<bool()>& keepWaiting,
                                 std::string* failure)
{
    constexpr auto kAskEvery = std::chrono::milliseconds(100);
    for (;;) {
        std::deque<std::unique_ptr<AVPacket, PacketDeleter>> taken;
        bool done = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, kAskEvery, [this] { return m_done || !m_queue.empty(); });
            taken.swap(m_queue);
            done = m_done;
            if (done && m_failed && taken.empty()) {
                if (failure) *failure = m_failure;
                return false;
            }
        }
        for (const auto& packet : taken)
            if (!write(packet.get(), failure)) return false;
        if (done && taken.empty()) return true;
        if (!done && !keepWaiting()) return false;
    }
}
