#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/AudioFrameEncoder.h"

struct AVPacket;

// Encodes a song's sound on a thread of its own while the caller encodes the picture, a
// little ahead of it: the packets wait in a short queue for the caller to take them in time
// order. The sound comes from next, block by block (interleaved 16-bit stereo; 0 frames at
// its end).
class SoundEncodeThread {
public:
    using NextBlock = std::function<bool(std::vector<int16_t>& pcm, size_t& frames, std::string* failure)>;

    SoundEncodeThread(AudioFrameEncoder& encoder, NextBlock next);
    ~SoundEncodeThread();
    SoundEncodeThread(const SoundEncodeThread&) = delete;
    SoundEncodeThread& operator=(const SoundEncodeThread&) = delete;

    void Start();
    // Waits until the sound is encoded up to pts (the encoder's time base) or to its end, then
    // hands each packet queued so far to write, in order. False with why when the encoding or
    // the writing failed.
    bool TakeUntil(int64_t pts, const std::function<bool(AVPacket*, std::string*)>& write, std::string* failure);
    // Waits for the whole sound and hands the rest over.
    bool TakeAll(const std::function<bool(AVPacket*, std::string*)>& write, std::string* failure);
    // Ends the thread early (a cancel, or the picture failed).
    void Stop();

private:
    void Run();
    bool Queue(AVPacket* packet, std::string* failure);

    AudioFrameEncoder& m_encoder;
    NextBlock m_next;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<AVPacket*> m_queue;
    int64_t m_encodedTo = INT64_MIN; // the end of the last packet queued
    bool m_done = false;
    bool m_stop = false;
    std::string m_failure;
};
