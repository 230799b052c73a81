#include "support/MidiWriter.h"

#include <algorithm>

namespace {

std::string VarLen(uint32_t n)
{
    std::string out(1, char(n & 0x7F));
    while (n >>= 7) out.insert(out.begin(), char((n & 0x7F) | 0x80));
    return out;
}

std::string Be(uint32_t n, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char((n >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

void MidiWriter::Event(uint32_t tick, const std::string& bytes)
{
    m_events.push_back({tick, bytes});
}

void MidiWriter::Meta(uint32_t tick, uint8_t type, const std::string& data)
{
    Event(tick, std::string{char(0xFF), char(type)} + VarLen(uint32_t(data.size())) + data);
}

void MidiWriter::Tempo(uint32_t tick, uint32_t microsPerQuarter)
{
    Meta(tick, 0x51, Be(microsPerQuarter, 3));
}

void MidiWriter::Note(uint32_t tick, uint32_t length, uint8_t channel, uint8_t key, uint8_t velocity)
{
    Event(tick, std::string{char(0x90 | channel), char(key), char(velocity)});
    Event(tick + length, std::string{char(0x80 | channel), char(key), char(0)});
}

std::string MidiWriter::Chunk() const
{
    std::vector<Timed> events = m_events;
    std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
    std::string body;
    uint32_t at = 0;
    for (const Timed& e : events) {
        body += VarLen(e.tick - at) + e.bytes;
        at = e.tick;
    }
    body += std::string("\0\xFF\x2F\0", 4);
    return "MTrk" + Be(uint32_t(body.size()), 4) + body;
}

std::string MidiWriter::File(const std::vector<MidiWriter>& tracks, uint16_t ticksPerQuarter)
{
    std::string file = "MThd" + Be(6, 4) + Be(1, 2) + Be(uint32_t(tracks.size()), 2) + Be(ticksPerQuarter, 2);
    for (const MidiWriter& t : tracks) file += t.Chunk();
    return file;
}
