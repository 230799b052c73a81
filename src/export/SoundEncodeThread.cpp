#include "export/SoundEncodeThread.h"

#include "media/FfmpegHandles.h"

namespace {

// About six seconds of AAC: enough to keep the thread busy, little memory.
constexpr size_t kMostQueued = 256;

} // namespace

SoundEncodeThread::SoundEncodeThread(AudioFrameEncoder& encoder, NextBlock next)
    : m_encoder(encoder), m_next(std::move(next))
{
}

SoundEncodeThread::~SoundEncodeThread()
{
    Stop();
    for (AVPacket* packet : m_queue) av_packet_free(&packet);
}

void SoundEncodeThread::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void SoundEncodeThread::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool SoundEncodeThread::Queue(AVPacket* packet, std::string* failure)
{
    AVPacket* copy = av_packet_alloc();
    if (!copy) {
        if (failure) *failure = "Out of memory while encoding AAC.";
        return false;
    }
    av_packet_move_ref(copy, packet);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_queue.size() < kMostQueued; });
    if (m_stop) {
        av_packet_free(&copy);
        if (failure) *failure = "stopped";
        return false;
    }
    m_encodedTo = copy->pts + copy->duration;
    m_queue.push_back(copy);
    m_changed.notify_all();
    return true;
}

void SoundEncodeThread::Run()
{
    const AudioFrameEncoder::PacketSink sink = [this](AVPacket* p, std::string* f) { return Queue(p, f); };
    std::vector<int16_t> pcm;
    std::string failure;
    bool ok = true;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop) break;
        }
        size_t frames = 0;
        if (!m_next(pcm, frames, &failure)) {
            ok = false;
            break;
        }
        if (frames == 0) {
            ok = m_encoder.Finish(sink, &failure);
            break;
        }
        if (!m_encoder.Write(pcm.data(), frames, sink, &failure)) {
            ok = false;
            break;
        }
    }
    std::lock_guard lock(m_mutex);
    if (!ok && !m_stop) m_failure = failure.empty() ? "The AAC encoding failed." : failure;
    m_done = true;
    m_changed.notify_all();
}

bool SoundEncodeThread::TakeUntil(int64_t pts, const std::function<bool(AVPacket*, std::string*)>& write,
                                  std::string* failure)
{
    std::deque<AVPacket*> taken;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_done || m_encodedTo >= pts; });
        if (!m_failure.empty()) {
            if (failure) *failure = m_failure;
            return false;
        }
        taken.swap(m_queue);
    }
    m_changed.notify_all();
    bool ok = true;
    for (AVPacket* packet : taken) {
        if (ok) ok = write(packet, failure);
        av_packet_free(&packet);
    }
    return ok;
}

bool SoundEncodeThread::TakeAll(const std::function<bool(AVPacket*, std::string*)>& write, std::string* failure)
{
    return TakeUntil(INT64_MAX, write, failure);
}
