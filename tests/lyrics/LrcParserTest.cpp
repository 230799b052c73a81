#include <gtest/gtest.h>

#include <ctime>

#include "lyrics/LrcParser.h"

namespace {

std::string Parse(const std::string& text, LrcDocument& doc)
{
    return ParseLrc(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), doc);
}

struct Timed {
    int start;
    int end;
    std::string text;
    bool operator==(const Timed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Timed& t)
{
    return os << "{" << t.start << "," << t.end << ",\"" << t.text << "\"}";
}

std::vector<Timed> Elements(const LrcLine& line)
{
    std::vector<Timed> out;
    for (const auto& e : line.elements) out.push_back({e.start, e.end, e.text});
    return out;
}

} // namespace

TEST(LrcParser, SimpleLinesAreSpreadEvenlyUpToTheNextLine)
{
    LrcDocument doc;
    const std::string text = Parse("[ti:Song]\n[ar:Someone]\r\n[00:12.34]Hello world\n[00:14.34]Bye\n", doc);
    EXPECT_EQ(text, "Hello world\r\nBye\r\n");
    EXPECT_EQ(doc.title, "Song");
    EXPECT_EQ(doc.artist, "Someone");
    EXPECT_FALSE(doc.enhanced);
    ASSERT_EQ(doc.lines.size(), 2u);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{1234, 1333, "Hello"}, {1334, 1433, "world"}}));
    // The last line is paced by the average so far.
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{1434, 1533, "Bye"}}));
}

TEST(LrcParser, TimeTagsTakeFractionsOfOneToThreeDigits)
{
    LrcDocument doc;
    Parse("[00:12]Hi\n[00:13.3]Hi\n[00:14.34]Hi\n[00:15.345]Hi\n[01:02.03][05:00.00]Twice\n[x]nothing\n[]\nno tag\n", doc);
    ASSERT_EQ(doc.lines.size(), 6u);
    EXPECT_EQ(doc.lines[0].elements[0].start, 1200);
    EXPECT_EQ(doc.lines[1].elements[0].start, 1330);
    EXPECT_EQ(doc.lines[2].elements[0].start, 1434);
    EXPECT_EQ(doc.lines[3].elements[0].start, 1535); // milliseconds to the nearest hundredth
    EXPECT_EQ(doc.lines[4].elements[0].start, 6203);
    EXPECT_EQ(doc.lines[4].elements[0].text, "Twice");
    EXPECT_EQ(doc.lines[5].elements[0].start, 30000);
    EXPECT_EQ(doc.lines[5].elements[0].text, "Twice");

    // Word tags likewise; the last syllable closes at its tag.
    EXPECT_EQ(Parse("[00:02.250]<00:02.250>three <00:02.750>digit <00:03.125>millis <00:03.5>\n", doc),
              "three digit millis \r\n");
    EXPECT_EQ(Elements(doc.lines[0]),
              (std::vector<Timed>{{225, 274, "three"}, {275, 312, "digit"}, {313, 349, "millis"}}));
}

TEST(LrcParser, OffsetsMoveEveryTimeAndNoWordEndsBeforeItStarts)
{
    LrcDocument doc;
    // A positive offset shows the lyrics sooner; no time goes below zero.
    Parse("[offset:+1500]\n[00:01.00]early\n[00:10.00]<00:10.00>late <00:11.00>one <00:12.00>\n", doc);
    EXPECT_EQ(doc.offset, 1500);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{0, 849, "early"}}));
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{850, 949, "late"}, {950, 1049, "one"}}));
    Parse("[offset:-1000]\n[00:01.00]<00:01.00>a <00:01.50>b\n[00:04.00]<00:04.00>c\n", doc);
    // A last syllable without its closing tag lasts until the next line, or a second at the end.
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{200, 249, "a"}, {250, 499, "b"}}));
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{500, 599, "c"}}));

    // Lines out of time order are sorted, their text with them.
    EXPECT_EQ(Parse("[00:20.00]<00:20.00>twin<00:21.00>kle<00:22.00>\n[00:05.00]<00:05.00>first <00:06.00>line\n", doc),
              "first line\r\ntwin*kle\r\n");
    EXPECT_TRUE(doc.reordered);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{500, 599, "first"}, {600, 1999, "line"}}));
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{2000, 2099, "twin"}, {2100, 2199, "kle"}}));
    for (const auto& line : doc.lines)
        for (const auto& e : line.elements) EXPECT_GE(e.end, e.start) << e.text;
}

// A chorus written once with a time tag for each time it is sung becomes one line for each
// time, all in time order; its word times move with each occurrence.
TEST(LrcParser, LinesWithSeveralTimeTagsAreSungAtEachOfThem)
{
    LrcDocument doc;
    EXPECT_EQ(Parse("[00:01.00]verse\n[00:03.00][00:07.00]chorus line\n[00:05.00]bridge\n[00:09.00]end\n", doc),
              "verse\r\nchorus line\r\nbridge\r\nchorus line\r\nend\r\n");
    EXPECT_FALSE(doc.reordered); // the file's own lines were in order
    ASSERT_EQ(doc.lines.size(), 5u);
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{300, 399, "chorus"}, {400, 499, "line"}}));
    EXPECT_EQ(Elements(doc.lines[3]), (std::vector<Timed>{{700, 799, "chorus"}, {800, 899, "line"}}));

    // The word times fit the tag at or before them, whichever order the tags are written in.
    EXPECT_EQ(Parse("[00:10.00][00:02.00]<00:02.00>la <00:02.50>la<00:03.00>\n[00:05.00]<00:05.00>mid<00:06.00>\n",
                    doc),
              "la la\r\nmid\r\nla la\r\n");
    ASSERT_EQ(doc.lines.size(), 3u);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{200, 249, "la"}, {250, 299, "la"}}));
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{500, 599, "mid"}}));
    EXPECT_EQ(Elements(doc.lines[2]), (std::vector<Timed>{{1000, 1049, "la"}, {1050, 1099, "la"}}));
}

TEST(LrcParser, OtherTagsFillTheDocument)
{
    LrcDocument doc;
    const std::string text = Parse(
        "[AL:Album]\n[au:Writer]\n[length: 03:25]\n[by:Me]\n[offset:+250]\n[re:Editor]\n[ve:1.0]\n[xx:ignored]\n",
        doc);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(doc.lines.empty());
    EXPECT_EQ(doc.album, "Album");
    EXPECT_EQ(doc.author, "Writer");
    EXPECT_EQ(doc.length, (3 * 60 + 25) * 100);
    EXPECT_EQ(doc.creator, "Me");
    EXPECT_EQ(doc.offset, 250);
    EXPECT_EQ(doc.editor, "Editor");
    EXPECT_EQ(doc.version, "1.0");
}

TEST(LrcParser, EnhancedWordTimesGiveEachPartItsOwnTimeAndSyllableMarks)
{
    LrcDocument doc;
    const std::string text =
        Parse("[00:01.00]<00:01.00>Hel<00:01.50>lo <00:02.00>\n[00:02.00]<00:02.00>Twin<00:02.50>kle <00:03.00>twin"
              "<00:03.50>kle <00:04.00>star<00:05.00>\n",
              doc);
    EXPECT_TRUE(doc.enhanced);
    ASSERT_EQ(doc.lines.size(), 2u);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{100, 149, "Hel"}, {150, 199, "lo"}}));
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{200, 249, "Twin"},
                                                          {250, 299, "kle"},
                                                          {300, 349, "twin"},
                                                          {350, 399, "kle"},
                                                          {400, 499, "star"}}));
    EXPECT_EQ(text, "Hel*lo \r\nTwin*kle twin*kle star\r\n");
}

TEST(LrcParser, SingerMarksStayInForceAndPunctuationIsKept)
{
    LrcDocument doc;
    const std::string text =
        Parse("[00:01.00]F: Hi  there\n[00:02.00]again\n[00:03.00]m:Don\xE2\x80\x99t\n[00:04.00]\n", doc);
    ASSERT_EQ(doc.lines.size(), 4u);
    EXPECT_EQ(doc.lines[0].singer, 2);
    EXPECT_EQ(doc.lines[1].singer, 2);
    EXPECT_EQ(doc.lines[2].singer, 1);
    EXPECT_EQ(text, " Hi there\r\nagain\r\nDon\u2019t\r\n\r\n");
    // An empty timed line keeps one empty element.
    ASSERT_EQ(doc.lines[3].elements.size(), 1u);
    EXPECT_EQ(doc.lines[3].elements[0].text, "");
}

TEST(LrcParser, ALoneLineGetsOneSecondAPartAndJunkGivesNothing)
{
    LrcDocument doc;
    Parse("[00:05.00]one two\n", doc);
    ASSERT_EQ(doc.lines.size(), 1u);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{500, 599, "one"}, {600, 699, "two"}}));
    // A last line after sparse ones is not stretched by their pace (an hour a word here).
    Parse("[00:00.00]one\n[60:00.00]two\n[120:00.00]last line\n", doc);
    ASSERT_EQ(doc.lines.size(), 3u);
    EXPECT_EQ(Elements(doc.lines[2]), (std::vector<Timed>{{720000, 720099, "last"}, {720100, 720199, "line"}}));

    // Nothing that is no timed lyric gives a word.
    auto elementCount = [](const LrcDocument& d) {
        size_t n = 0;
        for (const auto& line : d.lines) n += line.elements.size();
        return n;
    };
    for (const std::string& junk : {std::string(), std::string("\0\0\xFF[", 4), std::string("]]]][[[["),
                                   std::string("[99:99.99<00:0"), std::string("[00:01.00]<00:0")}) {
        LrcDocument d;
        Parse(junk, d); // never crashes
        EXPECT_EQ(elementCount(d), 0u) << junk;
    }
    // Broken pieces among timed words: the words come back, and none ends before it starts.
    for (const std::string& mixed : {std::string("[00:03.00]late\n[00:01.00]early one\n[00:0x.00]bad\n"),
                                    std::string("[00:01.00]<00:01.50>half <00:0\n[00:02.00]whole line\n"),
                                    std::string("[00:05.00]back <00:04.00>in <00:03.00>time\n")}) {
        LrcDocument d;
        Parse(mixed, d);
        EXPECT_GE(elementCount(d), 2u) << mixed;
        for (const auto& line : d.lines)
            for (const auto& e : line.elements) EXPECT_GE(e.end, e.start) << mixed << " " << e.text;
    }
}

// A lyric file may be large (the import takes up to 4 MB): long lines of many words, long runs
// of spaces and of unclosed "<" must cost time in proportion to their length, not its square.
TEST(LrcParser, LongHostileLinesParseInLinearTime)
{
    constexpr size_t kLength = size_t(1) << 20;
    std::string words = "[00:01.00]";
    while (words.size() < kLength) words += "la ";
    std::string spaces = "[00:01.00]a" + std::string(kLength, ' ') + "b";
    std::string opens = "[00:01.00]<00:01.00>x" + std::string(kLength, '<');

    // The parser's own processor time: a busy machine makes it wait, not work longer.
    const auto cpuSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const double started = cpuSeconds();
    LrcDocument doc;
    EXPECT_EQ(Parse(words, doc).size(), words.size() - 10 - 1 + 2); // the trailing space is trimmed, CR LF added
    ASSERT_EQ(doc.lines.size(), 1u);
    EXPECT_EQ(doc.lines[0].elements.size(), (words.size() - 10) / 3);
    EXPECT_EQ(Parse(spaces, doc), "a b\r\n");
    EXPECT_EQ(Parse(opens, doc), "x" + std::string(kLength, '<') + "\r\n");
    const double seconds = cpuSeconds() - started;
    // Quadratic work on these lines takes minutes; one pass takes a second or two with the
    // sanitizers.
    EXPECT_LT(seconds, 10.0);
}

// Times of any size (a fuzzed file had a minutes field of 22 digits) are held at 25 hours
// instead of overflowing, in line times, word times, spreading and the length tag.
TEST(LrcParser, HugeTimesAreHeldAtTheLatestTime)
{
    constexpr int32_t kLatest = 25 * 60 * 60 * 100;
    LrcDocument doc;
    EXPECT_EQ(Parse("[length:99999999:99]\n[00:08222222222222222222222.00]M:sugar\n[99:99999999]a b\n", doc),
                    "sugar\r\na b\r\n");
    EXPECT_EQ(doc.length, kLatest);
    ASSERT_EQ(doc.lines.size(), 2u);
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{kLatest, kLatest, "sugar"}}));
    // The lone last line is paced by the average part, 0 here: every part at the latest time.
    EXPECT_EQ(Elements(doc.lines[1]), (std::vector<Timed>{{kLatest, kLatest, "a"}, {kLatest, kLatest, "b"}}));

    EXPECT_EQ(Parse("[00:00.00]a b c\n[99:99999999]d\n", doc), "a b c\r\nd\r\n");
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{0, kLatest / 3 - 1, "a"},
                                                          {kLatest / 3, 2 * kLatest / 3 - 1, "b"},
                                                          {2 * kLatest / 3, kLatest - 1, "c"}}));

    EXPECT_EQ(Parse("[00:01.00]<00:01.00>la<00:99999999999.00>la<00:-99999999999.00>\n", doc), "la*la\r\n");
    EXPECT_EQ(Elements(doc.lines[0]), (std::vector<Timed>{{100, kLatest - 1, "la"}, {kLatest, kLatest, "la"}}));
}
