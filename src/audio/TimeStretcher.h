#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Tempo change without pitch change, on 16-bit stereo frames, by SoundTouch. Music goes in with
// Put and comes out, longer or shorter, with Receive; the library keeps some frames inside
// until more arrive or Flush is called at the end.
class TimeStretcher {
public:
    // Set up as the player needs it: the sample rate, 2 channels, the tempo change in percent,
    // no pitch or rate change, no anti-alias filter, quick seek on.
    TimeStretcher(uint32_t sampleRate, int tempoChange);
    ~TimeStretcher();
    TimeStretcher(const TimeStretcher&) = delete;
    TimeStretcher& operator=(const TimeStretcher&) = delete;

    void SetTempoChange(int tempoChange);
    int TempoChange() const { return m_tempoChange; }

    void Put(const int16_t* frames, size_t count);
    // Takes up to maxFrames processed frames into out; returns how many.
    size_t Receive(int16_t* out, size_t maxFrames);
    // Frames ready to be received.
    size_t Ready() const;
    // The music has ended: pushes what the library holds back to the output.
    void Flush();
    // Drops everything held.
    void Clear();

private:
    struct Engine;
    std::unique_ptr<Engine> m_engine;
    int m_tempoChange = 0;
    std::vector<float> m_scratch;
};
