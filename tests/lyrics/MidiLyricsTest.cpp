#include <gtest/gtest.h>

#include <random>

#include "lyrics/MidiLyrics.h"

namespace {

// A one-track MIDI file holding the given meta events (type, text), each at delta time 0.
std::vector<uint8_t> Midi(const std::vector<std::pair<uint8_t, std::string>>& events)
{
    std::vector<uint8_t> track;
    for (const auto& [type, text] : events) {
        track.insert(track.end(), {0x00, 0xFF, type, uint8_t(text.size())});
        track.insert(track.end(), text.begin(), text.end());
        track.insert(track.end(), {0x00, 0x90, 0x40, 0x60}); // a note between events
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    const uint32_t n = uint32_t(track.size());
    file.insert(file.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace

TEST(MidiLyrics, KaraokeTextEventsBecomeLinesAndHeadersAreSkipped)
{
    const auto file = Midi({{0x03, "Words"},
                            {0x01, "@KMIDI KARAOKE FILE"},
                            {0x01, "@TTwinkle"},
                            {0x01, "\\Twin"},
                            {0x01, "kle "},
                            {0x01, "twin"},
                            {0x01, "kle"},
                            {0x01, "/How "},
                            {0x01, "I won"},
                            {0x01, "der\xE2\x80\xA6"}});
    EXPECT_EQ(ExtractMidiLyrics(file), "\r\nTwinkle twinkle\r\nHow I wonder\x85");
}

TEST(MidiLyrics, LyricEventsAndCarriageReturns)
{
    const auto file = Midi({{0x05, "Hel"}, {0x05, "lo\r"}, {0x05, "world\r\n"}, {0x02, "(c) ignored"}});
    EXPECT_EQ(ExtractMidiLyrics(file), "Hello\r\nworld\r\n");
}

TEST(MidiLyrics, FilesWithoutMarksOrLyricsGiveNothing)
{
    EXPECT_EQ(ExtractMidiLyrics({}), "");
    auto noLyrics = Midi({{0x03, "Piano"}});
    EXPECT_EQ(ExtractMidiLyrics(noLyrics), "");
    auto bad = Midi({{0x05, "la"}});
    bad[14] = 'X';
    EXPECT_EQ(ExtractMidiLyrics(bad), "");
}

TEST(MidiLyrics, LongAndAbsurdLengthsNeverMoveTheScanBackOrPastTheEnd)
{
    // A 200-byte lyric written with a two-byte length.
    std::vector<uint8_t> file = Midi({});
    file.resize(22);
    file.insert(file.end(), {0x00, 0xFF, 0x05, 0x81, 0x48});
    file.insert(file.end(), 200, 'a');
    file.insert(file.end(), {0x00, 0xFF, 0x05, 0x01, 'b', 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(ExtractMidiLyrics(file), std::string(200, 'a') + "b");

    // A length far beyond the end of the file.
    std::vector<uint8_t> cut = Midi({});
    cut.resize(22);
    cut.insert(cut.end(), {0x00, 0xFF, 0x05, 0xFF, 0xFF, 0xFF, 0x7F, 'x', 'y', 'z'});
    EXPECT_EQ(ExtractMidiLyrics(cut), "xyz");

    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> junk = Midi({{0x05, "seed"}});
        const size_t len = 22 + rng() % 200;
        junk.resize(len);
        for (size_t i = 22; i < len; ++i) junk[i] = rng() % 4 == 0 ? 0xFF : uint8_t(rng());
        const std::string lyrics = ExtractMidiLyrics(junk);
        EXPECT_LE(lyrics.size(), len * 3);
    }
}
