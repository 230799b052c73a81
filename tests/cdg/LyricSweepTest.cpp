// What the sweeps of a song's stream do to the screen, pixel by pixel: rendered as the player
// shows it, in both sweep modes, with and without an outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "cdg/LyricLineWriter.h"
#include "project/ProjectFile.h"
#include "cdg/StreamTestSupport.h"
#include "cdg/WordBoxes.h"
#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"

namespace {

constexpr uint32_t kSecond = 44100;
constexpr uint32_t kFirstWord = 6 * kSecond;
constexpr uint8_t kText = 12, kOutline = 13, kSweep = 14, kBackground = 15;

struct Song {
    KaraokeSong song;
    std::vector<uint8_t> buffer;
    size_t used = 0;
};

// A word every second from kFirstWord on, each sung for a second less `rest`, no advance, the
// lines placed; the stream written.
void Make(Song& s, const std::string& lyrics, int sweepMode, bool outline, uint32_t rest = 0)
{
    s.song.lyricText = lyrics;
    s.song.settings.sweepKind = sweepMode;
    s.song.settings.advanceSweep = 0;
    if (outline) s.song.FindPage(kPageLyrics)->style.style |= kStyleShadow;
    s.song.GenerateKaraokeLineList(true, true);
    uint32_t t = kFirstWord;
    for (auto& line : s.song.lines) {
        line->placed = 1;
        for (MKaraokeWord* w : line->words) {
            w->start = t;
            w->end = t + kSecond - 1 - rest;
            t += kSecond;
        }
    }
    SongStream stream = WriteRwMemory(s.song, SongStream::Music{{}, 60 * kSecond * 4, 4});
    s.buffer = std::move(stream.bytes);
    s.used = stream.usedLength;
    ComputeWordBoxes(s.song);
}

PageCanvas ScreenAt(CdgStreamSnapshot& player, uint64_t time)
{
    player.ExecuteUntil(size_t(time / kCdgSampleFramesPerPacket));
    PageCanvas screen;
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            screen.Set(x, y, player.Renderer().Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop));
    return screen;
}

bool Inside(const MKaraokeWord& w, int x, int y)
{
    return x >= w.boxLeft && x < w.boxRight && y >= w.boxTop && y < w.boxBottom;
}

std::map<int, int> Counts(const PageCanvas& c)
{
    std::map<int, int> counts;
    for (uint8_t p : c.pixels) ++counts[p];
    return counts;
}

// Checks the screen while the words before `begun` (indices into the song's word list) have
// begun their sweeps and those before `done` have finished them: only the colour the mode
// sweeps turned into the sweep colour, only inside the boxes of begun words, and all of it
// inside the boxes of finished ones.
void ExpectSwept(const KaraokeSong& song, const PageCanvas& unswept, const PageCanvas& screen, size_t done,
                 size_t begun, int mode)
{
    const uint8_t from = mode == kSweepText ? kText : kBackground;
    int wrong = 0, outside = 0, missed = 0;
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
            const uint8_t before = unswept.At(x, y), now = screen.At(x, y);
            bool inDone = false, inBegun = false, inLater = false;
            for (size_t i = 0; i < song.words.size(); ++i) {
                const bool in = Inside(*song.words[i], x, y);
                if (i < done) inDone |= in;
                if (i < begun) inBegun |= in;
                else inLater |= in;
            }
            if (now != before && !(before == from && now == kSweep)) ++wrong;
            if (now != before && !inBegun) ++outside;
            // Where a later word's box overlaps, that word's own letters may still wait.
            if (inDone && before == from && now != kSweep && !(mode == kSweepText && inLater)) ++missed;
        }
    EXPECT_EQ(wrong, 0) << "pixels changed into another colour";
    EXPECT_EQ(outside, 0) << "pixels changed outside the swept words";
    EXPECT_EQ(missed, 0) << "pixels of swept words left unswept";
}

} // namespace

// "&" is dropped from the drawn line ("&&" leaves one); the sweep lands on the letters that
// were drawn. Syllables meet without a space, and with an outline the boxes of neighbouring
// words overlap: each pixel is still swept once.
TEST(LyricSweep, EveryWordEndsInTheSweepColourAndNothingElseChanges)
{
    for (int mode : {kSweepText, kSweepBackground})
        for (bool outline : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (outline ? ", outline" : ""));
            Song s;
            Make(s, "Rock && roll to*night\nYou & me now", mode, outline);
            const KaraokeSong& song = s.song;
            ASSERT_EQ(song.words.size(), 9u);
            CdgStreamSnapshot player(std::span<const uint8_t>(s.buffer).first(s.used));
            const PageCanvas unswept = ScreenAt(player, kFirstWord - 10 * kCdgSampleFramesPerPacket);
            const std::map<int, int> inks = Counts(unswept);
            ASSERT_GT(inks.count(kText) ? inks.at(kText) : 0, 500);
            EXPECT_EQ(inks.count(kOutline) != 0, outline);

            for (size_t k = 0; k < song.words.size(); ++k) {
                SCOPED_TRACE(testing::Message() << "word " << k);
                const MKaraokeWord& w = *song.words[k];
                ExpectSwept(song, unswept, ScreenAt(player, w.start + kSecond / 2), k, k + 1, mode);
                ExpectSwept(song, unswept, ScreenAt(player, w.end), k + 1, k + 1, mode);
            }
            const PageCanvas done = ScreenAt(player, song.words.back()->end + kSecond);
            const std::map<int, int> after = Counts(done);
            if (mode == kSweepText) {
                // Every letter that was drawn is swept, and only those.
                EXPECT_EQ(after.count(kText), 0u);
                EXPECT_EQ(after.at(kSweep), inks.at(kText));
            } else {
                EXPECT_EQ(after.at(kText), inks.at(kText));
            }
            EXPECT_EQ(after.count(kOutline) ? after.at(kOutline) : 0, inks.count(kOutline) ? inks.at(kOutline) : 0);

            // The erase leaves nothing behind.
            const PageCanvas erased = ScreenAt(player, song.words.back()->end + 3 * kSecond);
            EXPECT_EQ(Counts(erased), (std::map<int, int>{{kBackground, kCanvasWidth * kCanvasHeight}}));
        }
}

// The demo song in both modes, sampled every quarter second while it is sung: only the text,
// sweep and background colours ever show.
TEST(LyricSweep, TheDemoSongShowsOnlyItsThreeColours)
{
    for (int mode : {kSweepText, kSweepBackground}) {
        SCOPED_TRACE(mode);
        KaraokeSong song(std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx");
        ASSERT_TRUE(LoadProject(song));
        song.GenerateKaraokeLineList(true, true);
        song.settings.sweepKind = mode;
        uint32_t first = UINT32_MAX, last = 0;
        for (const auto& w : song.words) {
            first = std::min(first, w->start);
            last = std::max(last, w->end);
        }
        const SongStream stream = WriteRwMemory(song, SongStream::Music{{}, (last + 30 * kSecond) * 4, 4});
        const uint32_t leadIn = stream.leadIn;
        CdgStreamSnapshot player(stream.Used());
        int strayFrames = 0, frames = 0;
        for (uint64_t t = first; t < last; t += kSecond / 4, ++frames) {
            player.ExecuteUntil(player.PacketsAtClock(leadIn + t));
            for (int y = kCdgVisibleTop; y < kCdgVisibleTop + kCanvasHeight; ++y)
                for (int x = kCdgVisibleLeft; x < kCdgVisibleLeft + kCanvasWidth; ++x) {
                    const int p = player.Renderer().Pixel(x, y);
                    if (p != kText && p != kSweep && p != kBackground) {
                        ++strayFrames;
                        y = x = 1000;
                    }
                }
        }
        EXPECT_GT(frames, 100);
        EXPECT_EQ(strayFrames, 0) << "of " << frames;
    }
}

// A slow word, decoded packet by packet: every tile row of a column changes with the column,
// so no letter ever shows swept at the top and not yet at the bottom, and the columns go left
// to right across the word's time.
TEST(LyricSweep, ASlowWordSweepsWholeTileColumnsAtOnce)
{
    for (int mode : {kSweepText, kSweepBackground}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        Song s;
        Make(s, "Wow", mode, false);
        const MKaraokeWord& w = *s.song.words[0];
        CdgStreamSnapshot player(std::span<const uint8_t>(s.buffer).first(s.used));
        const size_t first = w.start / kCdgSampleFramesPerPacket, last = w.end / kCdgSampleFramesPerPacket;
        const PageCanvas before = ScreenAt(player, w.start - 10 * kCdgSampleFramesPerPacket);
        const PageCanvas after = ScreenAt(player, w.end + 10 * kCdgSampleFramesPerPacket);

        // The pixels the sweep changes, by tile column and tile row.
        std::map<int, std::map<int, std::vector<std::pair<int, int>>>> tiles;
        for (int y = 0; y < kCanvasHeight; ++y)
            for (int x = 0; x < kCanvasWidth; ++x)
                if (before.At(x, y) != after.At(x, y)) tiles[x / kCdgTileWidth][y / kCdgTileHeight].push_back({x, y});
        ASSERT_GE(tiles.size(), 3u);
        size_t tallest = 0;
        for (const auto& [column, rows] : tiles) tallest = std::max(tallest, rows.size());
        ASSERT_GE(tallest, 2u) << "the word must reach over two tile rows";

        std::map<int, size_t> halfFor, longestHalf, doneAt;
        for (size_t packet = first - 1; packet <= last + 1; ++packet) {
            player.ExecuteUntil(packet);
            for (const auto& [column, rows] : tiles) {
                size_t swept = 0;
                for (const auto& [row, pixels] : rows) {
                    const auto [x, y] = pixels.front();
                    swept += player.Renderer().Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop) == after.At(x, y);
                }
                const bool half = swept > 0 && swept < rows.size();
                halfFor[column] = half ? halfFor[column] + 1 : 0;
                longestHalf[column] = std::max(longestHalf[column], halfFor[column]);
                if (swept == rows.size() && !doneAt.count(column)) doneAt[column] = packet;
            }
        }
        for (const auto& [column, packets] : longestHalf)
            EXPECT_LE(packets, 1u) << "tile column " << column << " half swept for " << packets << " packets";
        ASSERT_EQ(doneAt.size(), tiles.size()) << "columns left unswept at the word's end";
        size_t previous = 0;
        for (const auto& [column, packet] : doneAt) {
            EXPECT_GE(packet, previous) << column;
            previous = packet;
        }
        EXPECT_LE(doneAt.begin()->second, first + tallest);
        EXPECT_GT(doneAt.rbegin()->second, first + (last - first) * 2 / 3);
        EXPECT_LE(doneAt.rbegin()->second, last + 1);
    }
}

TEST(LyricSweep, AWordSweepsInTheDirectionItsLineReads)
{
    // An English line, a Hebrew one, a Hebrew one with an English word and a number inside and an
    // English one with two Hebrew words inside: the swept part of each word grows from the side
    // where the word begins to be read ("L" left, "R" right), and the words stand where the
    // line's reading order puts them (their places from the left, 0 the leftmost).
    struct Row {
        std::string lyrics;
        std::string directions;
        std::vector<int> places;
    };
    for (const Row& row : std::vector<Row>{
             {"Hello world", "LL", {0, 1}},
             {"\u05d4\u05d1\u05d4 \u05e0\u05d2\u05d9\u05dc\u05d4", "RR", {1, 0}},
             {"\u05d4\u05d1\u05d4 hello 2024 \u05e0\u05d2\u05d9\u05dc\u05d4", "RLLR", {3, 1, 2, 0}},
             {"sing \u05d4\u05d1\u05d4 \u05e0\u05d2\u05d9\u05dc\u05d4 now", "LRRL", {0, 2, 1, 3}}}) {
        for (int mode : {kSweepText, kSweepBackground}) {
            SCOPED_TRACE(testing::Message() << row.lyrics << ", mode " << mode);
            Song s;
            Make(s, row.lyrics, mode, false, kSecond / 4); // a word's sweep ends before the next one's begins
            CdgStreamSnapshot player(std::span<const uint8_t>(s.buffer).first(s.used));
            const auto& words = s.song.lines[0]->words;
            ASSERT_EQ(words.size(), row.directions.size());
            int previousLeft = -1;
            for (size_t k = 0; k < words.size(); ++k) {
                const MKaraokeWord* w = words[k];
                const bool rightToLeft = row.directions[k] == 'R';
                SCOPED_TRACE(testing::Message() << "word " << k);
                const PageCanvas before = ScreenAt(player, w->start - 10 * kCdgSampleFramesPerPacket);
                const PageCanvas after = ScreenAt(player, w->end + 10 * kCdgSampleFramesPerPacket);
                int wordLeft = kCanvasWidth, changed = 0, outside = 0;
                for (int y = 0; y < kCanvasHeight; ++y)
                    for (int x = 0; x < kCanvasWidth; ++x)
                        if (before.At(x, y) != after.At(x, y)) {
                            wordLeft = std::min(wordLeft, x);
                            ++changed;
                            outside += !Inside(*w, x, y);
                        }
                ASSERT_LT(wordLeft, kCanvasWidth) << "the word changes nothing";
                EXPECT_EQ(outside, 0) << "of " << changed << " pixels swept, some lie outside the word's box";
                if (previousLeft >= 0) {
                    if (row.places[k] < row.places[k - 1])
                        EXPECT_LT(wordLeft, previousLeft);
                    else
                        EXPECT_GT(wordLeft, previousLeft);
                }
                previousLeft = wordLeft;

                // The swept part's edge at a quarter, half and three quarters of the word's time.
                std::vector<int> edges;
                for (int quarter = 1; quarter <= 3; ++quarter) {
                    const PageCanvas now = ScreenAt(player, w->start + uint64_t(w->end - w->start) * quarter / 4);
                    int left = kCanvasWidth, right = -1;
                    for (int y = 0; y < kCanvasHeight; ++y)
                        for (int x = 0; x < kCanvasWidth; ++x)
                            if (before.At(x, y) != after.At(x, y) && now.At(x, y) == after.At(x, y)) {
                                left = std::min(left, x);
                                right = std::max(right, x);
                            }
                    ASSERT_GE(right, 0) << "nothing swept at " << quarter << "/4";
                    edges.push_back(rightToLeft ? left : right);
                }
                if (rightToLeft)
                    EXPECT_TRUE(edges[0] > edges[1] && edges[1] > edges[2]) << edges[0] << " " << edges[1] << " " << edges[2];
                else
                    EXPECT_TRUE(edges[0] < edges[1] && edges[1] < edges[2]) << edges[0] << " " << edges[1] << " " << edges[2];
            }
            // Every word swept, no box shows the colour the mode sweeps any more.
            const PageCanvas end = ScreenAt(player, words.back()->end + 10 * kCdgSampleFramesPerPacket);
            const uint8_t unswept = mode == kSweepText ? kText : kBackground;
            int left = 0;
            for (const MKaraokeWord* w : words)
                for (int y = w->boxTop; y < w->boxBottom; ++y)
                    for (int x = w->boxLeft; x < w->boxRight; ++x) left += end.At(x, y) == unswept;
            EXPECT_EQ(left, 0) << "pixels of the words' boxes left unswept";
        }
    }
}
