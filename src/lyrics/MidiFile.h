#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A standard MIDI file read far enough for its words: the tracks' meta events with their times.
// Notes are kept with their start and end; other channel events are walked over (running
// status, system exclusive).
// Every length is checked against the bytes that are there; a damaged track ends where its
// damage starts, and what was read before stays.
struct MidiMetaEvent {
    uint64_t tick = 0;
    uint8_t type = 0;
    std::string data;
};

// A note as far as the words need it: when it sounds. A note never switched off ends where it
// starts.
struct MidiNote {
    uint64_t tick = 0;
    uint64_t endTick = 0;
    uint8_t channel = 0;
};

struct MidiTrack {
    std::vector<MidiMetaEvent> metas;
    std::vector<MidiNote> notes; // in the order they start
};

class MidiFile {
public:
    static constexpr uint8_t kText = 0x01;
    static constexpr uint8_t kTrackName = 0x03;
    static constexpr uint8_t kLyric = 0x05;
    static constexpr uint8_t kTempo = 0x51;

    // False when the bytes do not begin with a MIDI header and at least one track.
    bool Read(std::span<const uint8_t> bytes);

    const std::vector<MidiTrack>& Tracks() const { return m_tracks; }
    // Hundredths of a second from the start at a tick, by the file's tempo changes (from any
    // track, as format 1 keeps them in the first) and its time division.
    int64_t HundredthsAt(uint64_t tick) const;
    // The same in microseconds.
    int64_t MicrosAt(uint64_t tick) const;

private:
    struct TempoChange {
        uint64_t tick;
        uint32_t microsPerQuarter;
    };
    bool ReadTrack(std::span<const uint8_t> chunk);

    std::vector<MidiTrack> m_tracks;
    std::vector<TempoChange> m_tempos;
    uint16_t m_division = 96;
};
