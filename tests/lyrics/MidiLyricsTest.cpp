#include <gtest/gtest.h>

#include <random>

#include "lyrics/MidiLyrics.h"

namespace {

using Event = std::pair<uint8_t, std::string>; // meta type, text

std::vector<uint8_t> Be32(uint32_t n)
{
    return {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
}

// A track holding the given meta events, each after `delta` ticks, with a note (running
// status for the second) between them.
std::vector<uint8_t> Track(const std::vector<Event>& events, uint8_t delta = 0)
{
    std::vector<uint8_t> body;
    for (const auto& [type, text] : events) {
        body.insert(body.end(), {delta, 0xFF, type, uint8_t(text.size())});
        body.insert(body.end(), text.begin(), text.end());
        body.insert(body.end(), {0x00, 0x90, 0x40, 0x60, 0x00, 0x40, 0x00});
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> track = {'M', 'T', 'r', 'k'};
    const auto size = Be32(uint32_t(body.size()));
    track.insert(track.end(), size.begin(), size.end());
    track.insert(track.end(), body.begin(), body.end());
    return track;
}

// A MIDI file of the given tracks, 96 ticks a quarter note.
std::vector<uint8_t> Midi(const std::vector<std::vector<uint8_t>>& tracks)
{
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, uint8_t(tracks.size()), 0, 96};
    for (const auto& t : tracks) file.insert(file.end(), t.begin(), t.end());
    return file;
}

} // namespace

TEST(MidiLyrics, KaraokeTextEventsOfTheWordsTrackBecomeLinesWithTitleAndArtist)
{
    // Track 1: headers and a copyright note; track 2 "Words": the sung text, a line mark first.
    const auto file = Midi({Track({{0x01, "@KMIDI KARAOKE FILE"}, {0x01, "Made with SomeSequencer 3.0"},
                                   {0x02, "(c) nobody"}}),
                            Track({{0x03, "Words"},
                                   {0x01, "@LENGL"},
                                   {0x01, "@TTwinkle"},
                                   {0x01, "@TTraditional"},
                                   {0x01, "\\Twin"},
                                   {0x01, "kle "},
                                   {0x01, "twin"},
                                   {0x01, "kle"},
                                   {0x01, "/How "},
                                   {0x01, "I won"},
                                   {0x01, "der\xE2\x80\xA6"}},
                                  48)});
    const MidiLyrics lyrics = ReadMidiLyrics(file);
    EXPECT_EQ(lyrics.text, "Twinkle twinkle\r\nHow I wonder\x85");
    EXPECT_EQ(lyrics.title, "Twinkle");
    EXPECT_EQ(lyrics.artist, "Traditional");
    // Every syllable keeps its moment: 48 ticks apart at 120 beats a minute is a quarter second,
    // and the first word is the fifth event of its track.
    ASSERT_EQ(lyrics.syllables.size(), 7u);
    EXPECT_EQ(lyrics.syllables[0].text, "Twin");
    EXPECT_TRUE(lyrics.syllables[0].newLine);
    EXPECT_EQ(lyrics.syllables[0].time, 5 * 25);
    EXPECT_EQ(lyrics.syllables[4].text, "How ");
    EXPECT_TRUE(lyrics.syllables[4].newLine);
    EXPECT_EQ(lyrics.syllables[4].time, 9 * 25);

    // Without a words track, text events are no lyrics.
    EXPECT_EQ(ExtractMidiLyrics(Midi({Track({{0x01, "Made with SomeSequencer 3.0"}, {0x01, "Hello world"}})})), "");
}

TEST(MidiLyrics, LyricEventsWinOverTextAndLineMarksNeverMakeEmptyLines)
{
    const auto file = Midi({Track({{0x01, "Made with SomeSequencer 3.0"}, {0x03, "Piano"}}),
                            Track({{0x05, "\\"}, {0x05, "Hel"}, {0x05, "lo\r"}, {0x05, "\r\n"}, {0x05, "/world\r\n"},
                                   {0x01, "not sung"}})});
    EXPECT_EQ(ExtractMidiLyrics(file), "Hello\r\nworld\r\n");

    // UTF-8 words (all of them valid UTF-8) come in as Windows-1252; what it cannot hold is told.
    const MidiLyrics utf8 = ReadMidiLyrics(Midi({Track({{0x05, "Caf\xC3\xA9 "}, {0x05, "\xE2\x98\x85"}})}));
    EXPECT_EQ(utf8.text, "Caf\xE9 ?");
    ASSERT_EQ(utf8.replaced.size(), 1u);
    EXPECT_EQ(utf8.replaced[0].original, "\xE2\x98\x85");
}

TEST(MidiLyrics, TempoChangesTimeTheWords)
{
    // 96 ticks a quarter; the tempo goes from 120 to 60 beats a minute at tick 96.
    std::vector<uint8_t> conductor = {'M', 'T', 'r', 'k', 0, 0, 0, 15, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                                      0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F};
    conductor[7] = uint8_t(conductor.size() - 8);
    conductor.insert(conductor.end(), {0x00});
    conductor[7] = uint8_t(conductor.size() - 8);
    const auto file = Midi({conductor, Track({{0x05, "one "}, {0x05, "two "}, {0x05, "three"}}, 96)});
    const MidiLyrics lyrics = ReadMidiLyrics(file);
    ASSERT_EQ(lyrics.syllables.size(), 3u);
    EXPECT_EQ(lyrics.syllables[0].time, 50);  // tick 96: half a second
    EXPECT_EQ(lyrics.syllables[1].time, 150); // tick 192: then a second a quarter
    EXPECT_EQ(lyrics.syllables[2].time, 250);
}

TEST(MidiLyrics, DamagedFilesGiveWhatTheyHoldAndNeverReadPastTheEnd)
{
    EXPECT_EQ(ExtractMidiLyrics({}), "");
    EXPECT_EQ(ExtractMidiLyrics(Midi({Track({{0x03, "Piano"}})})), "");
    auto bad = Midi({Track({{0x05, "la"}})});
    bad[0] = 'X';
    EXPECT_EQ(ExtractMidiLyrics(bad), "");

    // A 200-byte lyric written with a two-byte length, then a length far beyond the end.
    std::vector<uint8_t> body = {0x00, 0xFF, 0x05, 0x81, 0x48};
    body.insert(body.end(), 200, 'a');
    body.insert(body.end(), {0x00, 0xFF, 0x05, 0x01, 'b', 0x00, 0xFF, 0x05, 0xFF, 0xFF, 0xFF, 0x7F, 'x', 'y', 'z'});
    std::vector<uint8_t> track = {'M', 'T', 'r', 'k'};
    const auto size = Be32(uint32_t(body.size()) + 1000); // the chunk claims more than there is
    track.insert(track.end(), size.begin(), size.end());
    track.insert(track.end(), body.begin(), body.end());
    EXPECT_EQ(ExtractMidiLyrics(Midi({track})), std::string(200, 'a') + "bxyz");

    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> junk = Midi({Track({{0x05, "seed"}, {0x01, "@Tx"}})});
        const size_t len = 14 + rng() % 200;
        junk.resize(len);
        for (size_t i = 22; i < len; ++i) junk[i] = rng() % 4 == 0 ? 0xFF : uint8_t(rng());
        const MidiLyrics lyrics = ReadMidiLyrics(junk);
        EXPECT_LE(lyrics.text.size(), len * 3);
    }
}
