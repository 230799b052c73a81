#include <gtest/gtest.h>

#include <random>

#include "lyrics/MidiLyrics.h"

namespace {

using Event = std::pair<uint8_t, std::string>; // meta type, text

std::vector<uint8_t> Be32(uint32_t n)
{
    return {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
}

// An MTrk chunk of the given events, closed with the end-of-track event.
std::vector<uint8_t> TrackChunk(std::vector<uint8_t> body)
{
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> track = {'M', 'T', 'r', 'k'};
    const auto size = Be32(uint32_t(body.size()));
    track.insert(track.end(), size.begin(), size.end());
    track.insert(track.end(), body.begin(), body.end());
    return track;
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
    return TrackChunk(std::move(body));
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
                                   {0x01, "@T Twinkle "},
                                   {0x01, "@T  Traditional"},
                                   {0x01, "\\Twin"},
                                   {0x01, "kle "},
                                   {0x01, "twin"},
                                   {0x01, "kle"},
                                   {0x01, "/How "},
                                   {0x01, "I won"},
                                   {0x01, "der\xE2\x80\xA6"}},
                                  48)});
    const MidiLyrics lyrics = ReadMidiLyrics(file);
    EXPECT_EQ(lyrics.text, "Twin*kle twin*kle\r\nHow I won*der\u2026");
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
    EXPECT_EQ(ExtractMidiLyrics(file), "Hel*lo\r\nworld\r\n");

    // UTF-8 words keep every character; a Shift-JIS file's words read as Japanese, syllable by
    // syllable, though each piece alone could be read another way.
    const MidiLyrics utf8 = ReadMidiLyrics(Midi({Track({{0x05, "Caf\xC3\xA9 "}, {0x05, "\xE2\x98\x85"}})}));
    EXPECT_EQ(utf8.text, "Caf\u00e9 \u2605");
    const MidiLyrics sjis = ReadMidiLyrics(Midi({Track({{0x05, "\x82\xB3"}, {0x05, "\x82\xAD"}, {0x05, "\x82\xE7"}})}));
    EXPECT_EQ(sjis.text, "\u3055*\u304f*\u3089");
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
    EXPECT_EQ(ExtractMidiLyrics(Midi({track})), std::string(200, 'a') + "*b*xyz");

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

TEST(MidiLyrics, SyllablesKeepTheirTimesThroughTempoChangesInAnyTrackAndEndWhereTheNextBegins)
{
    // 480 ticks a quarter. Track 1 names the song and starts at 100 beats a minute (600,000 us a
    // quarter); track 2 (the words) changes to 150 beats a minute (400,000 us) at tick 1,440 in
    // the middle of the first line; the syllables come every 240 ticks.
    auto tempo = [](uint32_t us) { return std::string{char(us >> 16), char(us >> 8 & 0xFF), char(us & 0xFF)}; };
    std::vector<uint8_t> conductorBody = {0x00, 0xFF, 0x03, 9};
    for (char c : std::string("Rain Song")) conductorBody.push_back(uint8_t(c));
    conductorBody.insert(conductorBody.end(), {0x00, 0xFF, 0x51, 0x03});
    for (char c : tempo(600000)) conductorBody.push_back(uint8_t(c));
    conductorBody.insert(conductorBody.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> conductor = {'M', 'T', 'r', 'k'};
    const auto size = Be32(uint32_t(conductorBody.size()));
    conductor.insert(conductor.end(), size.begin(), size.end());
    conductor.insert(conductor.end(), conductorBody.begin(), conductorBody.end());

    const std::vector<std::string> texts = {"/Rain", "drops ", "fall", "ing", " on ", "/me", "\\Sun ", "shine"};
    std::vector<uint8_t> body;
    uint64_t tick = 0;
    std::vector<uint64_t> ticks;
    for (size_t i = 0; i < texts.size(); ++i) {
        // Delta 240 written as a two-byte variable-length number.
        body.insert(body.end(), {0x81, 0x70, 0xFF, 0x05, uint8_t(texts[i].size())});
        body.insert(body.end(), texts[i].begin(), texts[i].end());
        tick += 240;
        ticks.push_back(tick);
        if (tick == 1200) { // the tempo changes 240 ticks after the fifth syllable
            body.insert(body.end(), {0x81, 0x70, 0xFF, 0x51, 0x03});
            for (char c : tempo(400000)) body.push_back(uint8_t(c));
            tick += 240;
        }
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> words = {'M', 'T', 'r', 'k'};
    const auto wsize = Be32(uint32_t(body.size()));
    words.insert(words.end(), wsize.begin(), wsize.end());
    words.insert(words.end(), body.begin(), body.end());
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0};
    file.insert(file.end(), conductor.begin(), conductor.end());
    file.insert(file.end(), words.begin(), words.end());

    // Expected times, worked out here from the ticks: 1,250 us a tick up to 1,440, then 833.33.
    auto micros = [](uint64_t t) {
        return t <= 1440 ? double(t) * 1250.0 : 1440 * 1250.0 + double(t - 1440) * 400000.0 / 480.0;
    };
    const MidiLyrics lyrics = ReadMidiLyrics(file);
    EXPECT_EQ(lyrics.title, "Rain Song");
    // A paragraph mark (backslash) begins a new page as well as a new line.
    EXPECT_EQ(lyrics.text, "Rain*drops fall*ing on \r\nme\r\n^\r\nSun shine");
    ASSERT_EQ(lyrics.lines.size(), 3u);
    const std::vector<std::vector<std::string>> expectedWords = {{"Rain", "drops", "fall", "ing", "on"}, {"me"}, {"Sun", "shine"}};
    size_t syllable = 0;
    for (size_t l = 0; l < lyrics.lines.size(); ++l) {
        const auto& elements = lyrics.lines[l].elements;
        ASSERT_EQ(elements.size(), expectedWords[l].size());
        for (size_t e = 0; e < elements.size(); ++e, ++syllable) {
            SCOPED_TRACE(elements[e].text);
            EXPECT_EQ(elements[e].text, expectedWords[l][e]);
            EXPECT_NEAR(double(elements[e].startMicros), micros(ticks[syllable]), 1000.0);
            // Each ends where the next starts; a line's last at the next line's start or a
            // second on, whichever is first.
            if (e + 1 < elements.size()) {
                EXPECT_EQ(elements[e].endMicros, elements[e + 1].startMicros);
            }
        }
    }
    // "on" starts at tick 1,200 (1.5 s); "me" at 1,680 (1.8 + 0.2 s): within a second.
    EXPECT_EQ(lyrics.lines[0].elements.back().endMicros, lyrics.lines[1].elements[0].startMicros);
    // "me" to "Sun" is 240 ticks too; the last word rings for a second.
    EXPECT_EQ(lyrics.lines[2].elements.back().endMicros, lyrics.lines[2].elements.back().startMicros + 1000000);
}

TEST(MidiLyrics, SmpteDivisionsCountFramesNotBeats)
{
    // 25 frames a second of 40 ticks: a tick is a millisecond, whatever the tempo says; then 30
    // drop-frame (29.97 frames) of 100 ticks.
    for (const auto& [high, low, micros] : {std::tuple{uint8_t(0xE7), uint8_t(40), 1500000.0},
                                            std::tuple{uint8_t(0xE3), uint8_t(100), 1500 * 1e6 / 2997.0}}) {
        std::vector<uint8_t> body = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, // 60 beats a minute: ignored
                                     0x8B, 0x5C, 0xFF, 0x05, 0x02, 'l', 'a', 0x00, 0xFF, 0x2F, 0x00};
        std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, high, low, 'M', 'T', 'r', 'k'};
        const auto size = Be32(uint32_t(body.size()));
        file.insert(file.end(), size.begin(), size.end());
        file.insert(file.end(), body.begin(), body.end());
        const MidiLyrics lyrics = ReadMidiLyrics(file);
        ASSERT_EQ(lyrics.lines.size(), 1u);
        EXPECT_NEAR(double(lyrics.lines[0].elements[0].startMicros), micros, 1.0); // tick 1,500
    }
}

TEST(MidiLyrics, WordsOfOneEventShareTheNoteItIsSungOn)
{
    // 96 ticks a quarter at 120 beats a minute. The melody track holds a drum hit of 400 ticks
    // and the melody's note of 40 ticks, both at tick 240; the words track has "to you" there
    // and the next words at tick 1,920 (ten seconds).
    const auto chunk = TrackChunk;
    const auto melody = chunk({0x81, 0x70, 0x99, 0x24, 0x64, 0x00, 0x90, 0x40, 0x60, 0x28, 0x80, 0x40, 0x00,
                               0x82, 0x68, 0x89, 0x24, 0x00});
    std::vector<uint8_t> body = {0x81, 0x70, 0xFF, 0x05, 6, 't', 'o', ' ', 'y', 'o', 'u'};
    body.insert(body.end(), {0x8D, 0x10, 0xFF, 0x05, 5, '/', 'n', 'e', 'x', 't'});
    const MidiLyrics lyrics = ReadMidiLyrics(Midi({melody, chunk(body)}));
    EXPECT_EQ(lyrics.text, "to you\r\nnext");
    ASSERT_EQ(lyrics.lines.size(), 2u);
    const auto& words = lyrics.lines[0].elements;
    ASSERT_EQ(words.size(), 2u);
    const double tick = 500000.0 / 96; // microseconds
    EXPECT_NEAR(double(words[0].startMicros), 240 * tick, 1.0);
    EXPECT_NEAR(double(words[0].endMicros), 260 * tick, 1.0);
    EXPECT_NEAR(double(words[1].startMicros), 260 * tick, 1.0);
    EXPECT_NEAR(double(words[1].endMicros), 260 * tick + 1e6, 1.0); // the line's last: a second on
    EXPECT_NEAR(double(lyrics.lines[1].elements[0].startMicros), 1920 * tick, 1.0);
}
