#include <gtest/gtest.h>

#include <cmath>

#include "lyrics/LyricImport.h"
#include "lyrics/UltraStarParser.h"

namespace {

std::span<const uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

struct Expected {
    const char* text;
    double start; // seconds
    double end;
};

void ExpectTimes(const LrcDocument& doc, const std::vector<std::vector<Expected>>& lines)
{
    ASSERT_EQ(doc.lines.size(), lines.size());
    for (size_t l = 0; l < lines.size(); ++l) {
        ASSERT_EQ(doc.lines[l].elements.size(), lines[l].size()) << "line " << l;
        for (size_t e = 0; e < lines[l].size(); ++e) {
            const LrcElement& got = doc.lines[l].elements[e];
            SCOPED_TRACE(lines[l][e].text);
            EXPECT_EQ(got.text, lines[l][e].text);
            EXPECT_NEAR(double(got.startMicros), lines[l][e].start * 1e6, 1000.0);
            EXPECT_NEAR(double(got.endMicros), lines[l][e].end * 1e6, 1000.0);
        }
    }
}

} // namespace

TEST(UltraStarParser, NotesAreTimedByTheBeatFromTheGapWithGoldenFreestyleAndRapNotes)
{
    // 300 BPM: a beat is 60 / 1200 = 0.05 s; the gap is 1.5 s.
    const std::string song = "\xEF\xBB\xBF#TITLE:Caf\xC3\xA9 Song\n#ARTIST:The Band\n#MP3:caf\xC3\xA9.mp3\n#BPM:300\n"
                             "#GAP:1500\n"
                             ": 0 4 60 Hel\n"
                             ": 4 4 62 lo \n"
                             "* 10 6 64 gold\n"
                             "F 16 2 0 en\n"
                             ": 18 4 60 ~\n"
                             "- 24\n"
                             "R 26 3 0 rap \n"
                             "G 30 5 0 shine\n"
                             "E\n"
                             ": 40 2 0 after the end\n";
    LrcDocument doc;
    const std::string text = LyricTextFromBytes(LyricFileKind::Text, Bytes(song), doc);
    EXPECT_EQ(text, "Hel*lo gold*en\r\nrap shine");
    EXPECT_EQ(doc.title, "Caf\u00e9 Song");
    EXPECT_EQ(doc.artist, "The Band");
    EXPECT_EQ(doc.musicFile, "caf\u00e9.mp3");
    ExpectTimes(doc, {{{"Hel", 1.5, 1.7}, {"lo", 1.7, 1.9}, {"gold", 2.0, 2.3}, {"en", 2.3, 2.6}},
                      {{"rap", 2.8, 2.95}, {"shine", 3.0, 3.25}}});
}

TEST(UltraStarParser, RelativeBeatsCountFromEachLineAndDecimalCommasAreRead)
{
    // 120,5 BPM: a beat is 60 / 482 s; the gap 250.5 ms.
    const std::string song = "#TITLE:Relative\n#BPM:120,5\n#GAP:250,5\n#RELATIVE:yes\n"
                             ": 0 2 0 one\n"
                             ": 4 2 0  two\n"
                             "- 8 10\n"
                             ": 0 3 0 three\n"
                             "- 6\n"
                             ": 1 1 0 four\n"
                             "E\n";
    LrcDocument doc;
    EXPECT_TRUE(IsUltraStarSong(song));
    EXPECT_EQ(ParseUltraStar(song, doc), "one two\r\nthree\r\nfour\r\n");
    const double beat = 60.0 / 482.0;
    const double gap = 0.2505;
    ExpectTimes(doc, {{{"one", gap, gap + 2 * beat}, {"two", gap + 4 * beat, gap + 6 * beat}},
                      {{"three", gap + 10 * beat, gap + 13 * beat}},
                      {{"four", gap + 17 * beat, gap + 18 * beat}}});

    // The same notes without #RELATIVE are absolute beats.
    const std::string absolute = "#BPM:120,5\n#GAP:250,5\n: 0 2 0 one\n: 4 2 0  two\n- 8 10\n: 10 3 0 three\nE\n";
    ASSERT_FALSE(ParseUltraStar(absolute, doc).empty());
    ExpectTimes(doc, {{{"one", gap, gap + 2 * beat}, {"two", gap + 4 * beat, gap + 6 * beat}},
                      {{"three", gap + 10 * beat, gap + 13 * beat}}});
}

TEST(UltraStarParser, PlainTextAndBrokenSongsAreNotTakenForSongs)
{
    LrcDocument doc;
    EXPECT_FALSE(IsUltraStarSong("Twinkle twinkle\n: little star\n"));
    EXPECT_FALSE(IsUltraStarSong("#BPM:300\njust words\n"));
    // No usable tempo: nothing to time by.
    EXPECT_EQ(ParseUltraStar("#BPM:fast\n: 0 1 0 la\n", doc), "");
    EXPECT_EQ(ParseUltraStar("#BPM:0\n: 0 1 0 la\n", doc), "");
    // Note lines with missing numbers are passed over.
    EXPECT_EQ(ParseUltraStar("#BPM:300\n: 0 x 0 bad\n: 4 2\n: 8 2 0 good\n", doc), "good\r\n");
    ASSERT_EQ(doc.lines.size(), 1u);
}
