#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Standard MIDI files written by tests: a track's events at absolute ticks, in order.
class MidiWriter {
public:
    void Event(uint32_t tick, const std::string& bytes);
    void Meta(uint32_t tick, uint8_t type, const std::string& data);
    void Tempo(uint32_t tick, uint32_t microsPerQuarter);
    // A note on and, `length` ticks later, its note off (notes are written in order of start).
    void Note(uint32_t tick, uint32_t length, uint8_t channel, uint8_t key, uint8_t velocity = 100);
    // The track chunk, end of track added.
    std::string Chunk() const;

    // A format 1 file of these tracks.
    static std::string File(const std::vector<MidiWriter>& tracks, uint16_t ticksPerQuarter);

private:
    struct Timed {
        uint32_t tick;
        std::string bytes;
    };
    std::vector<Timed> m_events;
};
