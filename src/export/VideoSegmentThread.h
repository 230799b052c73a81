#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "export/VideoSegmentEncoder.h"
#include "media/FfmpegHandles.h"

// Encodes a later run of the video's frames on a thread of its own while the caller encodes
// an earlier one: its packets wait in memory (a few kilobytes a frame) until the caller has
// written the runs before and takes them, in order.
class VideoSegmentThread {
public:
    VideoSegmentThread(VideoSegmentEncoder& encoder, uint64_t first, uint64_t end);
    ~VideoSegmentThread();
    VideoSegmentThread(const VideoSegmentThread&) = delete;
    VideoSegmentThread& operator=(const VideoSegmentThread&) = delete;

    void Start();
    // Frames encoded so far (any thread may ask).
    uint64_t FramesDone() const { return m_framesDone.load(); }
    // Hands every packet of the run to write, in order, waiting for the rest as they come;
    // while waiting, asks keepWaiting at least every tenth of a second (false gives up: a cancel).
    // False with why when the encoding or the writing failed or keepWaiting gave up.
    bool TakeAll(const VideoSegmentEncoder::PacketSink& write, const std::function<bool()>& keepWaiting,
                 std::string* failure);
    // Ends the thread early (a cancel, or another run failed).
    void Stop();

private:
    void Run();
    bool Queue(AVPacket* packet, std::string* failure);

    VideoSegmentEncoder& m_encoder;
    uint64_t m_first;
    uint64_t m_end;
    std::thread m_thread;
    std::atomic<uint64_t> m_framesDone{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<AVPacket, PacketDeleter>> m_queue;
    bool m_done = false;
    bool m_failed = false;
    std::string m_failure;
};
