#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "media/WaveStreamReader.h"
#include "project/ProjectFile.h"
#include "audio/WavOutFile.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "cdg/StreamTestSupport.h"
#include "cdg/WriteRwMemory.h"
#include "log/MLogQueue.h"
#include "media/ByteOrder.h"
#include "project/KaraokeSong.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kSecond = 44100;

// Lines of words, each word one second long from `first` on, all placed.
void TimedSong(KaraokeSong& song, const std::string& lyrics, uint32_t first)
{
    song.lyricText = lyrics;
    song.GenerateKaraokeLineList(true, true);
    uint32_t t = first;
    for (auto& line : song.lines) {
        line->placed = line->words.empty() ? 0 : 1;
        for (MKaraokeWord* w : line->words) {
            w->start = t;
            w->end = t + kSecond - 1;
            t += kSecond;
        }
    }
}

struct Written {
    std::vector<uint8_t> buffer;
    size_t used = 0;
    uint32_t leadIn = 0;
    std::vector<SongStream::LineTimes> times;
    std::vector<StreamPacket> packets;
};

// The stream over two minutes of music that is not read (no work file).
Written Write(const KaraokeSong& song, int64_t from = kWriteWholeSong)
{
    SongStream stream = WriteRwMemory(song, SongStream::Music{{}, 120 * kSecond * 4, 4}, from);
    Written w;
    w.used = stream.usedLength;
    w.leadIn = stream.leadIn;
    w.times = std::move(stream.lineTimes);
    w.buffer = std::move(stream.bytes);
    w.packets = Packets(std::span(w.buffer).first(std::min(w.used, w.buffer.size())));
    return w;
}

size_t PacketAt(int64_t time)
{
    return size_t(time / 147);
}

const StreamPacket* FirstFrom(const Written& w, size_t index)
{
    for (const auto& p : w.packets)
        if (p.index >= index) return &p;
    return nullptr;
}

} // namespace

TEST(WriteRwMemory, LinesAreDrawnTwoSecondsAheadAndSweepsMoveByHalfTheAdvance)
{
    KaraokeSong song;
    TimedSong(song, "one two three\nfour five", 10 * kSecond);
    ASSERT_EQ(song.settings.advanceSweep, -20);
    const Written w = Write(song);
    EXPECT_EQ(w.leadIn, 0u);
    // The shift is -20 x 441 / 2 = -4,410 frames: the first sweep starts 0.1 s early.
    const StreamPacket* sweep = FirstFrom(w, PacketAt(10 * kSecond - 4410));
    ASSERT_NE(sweep, nullptr);
    EXPECT_EQ(sweep->index, PacketAt(10 * kSecond - 4410));
    EXPECT_EQ(sweep->instruction, kCdgTileXor);
    // Draw0 = 8 s; the first page's lines arrive there (with the same shift).
    const StreamPacket* draw = FirstFrom(w, 4 * 38);
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(draw->index, PacketAt(8 * kSecond - 4410));
    EXPECT_EQ(w.times[0].draw, int32_t(8 * kSecond));
    // The stream ends four seconds after the last word.
    EXPECT_EQ(w.used, PacketAt(15 * kSecond - 1 + 4 * kSecond - 4410) * kCdgPacketBytes);
    // What the screen shows at the end of the first line: the swept words in the sweep colour.
    CdgStreamSnapshot player(std::span(w.buffer).first(w.used));
    player.ExecuteUntil(PacketAt(13 * kSecond));
    std::set<int> shown;
    for (int y = 12; y < 204; ++y)
        for (int x = 6; x < 294; ++x) shown.insert(player.Renderer().Pixel(x, y));
    EXPECT_EQ(shown, (std::set<int>{12, 14, 15}));
}

TEST(WriteRwMemory, ATitlePageThatRunsLongMakesALeadIn)
{
    KaraokeSong song;
    IMAGE_STRUCT& title = *song.FindPage(kPageTitle);
    title.enabled = 1;
    title.text = "Title";
    title.drawTransition = kFillDown;
    title.eraseTransition = kFillDown;
    title.holdTime = 500;
    TimedSong(song, "a b", 3 * kSecond);
    song.settings.advanceSweep = 0;
    const Written w = Write(song);
    // Title: 38 resets + 38 page resets + 768 + 1,500 hold + 768 erase packets; then 38 lyrics resets.
    const int64_t afterTitle = int64_t(38 + 38 + 768 + 1500 + 768 + 38) * 147;
    const int64_t draw0 = 1 * kSecond;
    EXPECT_EQ(int64_t(w.leadIn), afterTitle + 176400 - draw0);
    // The lines follow the second pair of lyric resets directly.
    const size_t resetsEnd = size_t(afterTitle / 147) + 38;
    const StreamPacket* first = FirstFrom(w, resetsEnd);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index, resetsEnd);
    EXPECT_EQ(first->instruction, kCdgTileXor);
    // Every word time moves by the lead-in.
    EXPECT_NE(FirstFrom(w, PacketAt(3 * kSecond + w.leadIn)), nullptr);
    EXPECT_EQ(FirstFrom(w, PacketAt(3 * kSecond + w.leadIn))->index, PacketAt(3 * kSecond + w.leadIn));
}

TEST(WriteRwMemory, NextPageLinesReplaceSungLinesByTheEraseRule)
{
    KaraokeSong song;
    TimedSong(song, "l0\nl1\nl2\nl3\nm0\nm1\nm2\nm3", 5 * kSecond);
    Written w = Write(song);
    auto end = [&](int i) { return int32_t(song.lines[size_t(i)]->words.back()->end); };
    // N = 0: slots 0-2 of page 1 come when line 2 of page 0 ends, slot 3 when line 3 ends.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.times[size_t(4 + i)].draw, end(2)) << i;
    EXPECT_EQ(w.times[7].draw, end(3));
    EXPECT_EQ(w.times[0].erase, end(2));
    EXPECT_EQ(w.times[3].erase, end(3));
    // The last page is erased two seconds after the last word.
    EXPECT_EQ(w.times[7].erase, end(7) + int32_t(2 * kSecond));

    song.eraseLinesFromBottom = 1;
    w = Write(song);
    EXPECT_EQ(w.times[4].draw, end(1));
    EXPECT_EQ(w.times[5].draw, end(1));
    EXPECT_EQ(w.times[6].draw, end(2));
    EXPECT_EQ(w.times[7].draw, end(3));
}

TEST(WriteRwMemory, SoloSongsDrawEveryLineInTheTextColourAndDuetsUseTheLineColours)
{
    KaraokeSong song;
    TimedSong(song, "la la\nlo lo", 4 * kSecond);
    song.lines[1]->colour = 9;
    const Written solo = Write(song);
    CdgStreamSnapshot player(std::span(solo.buffer).first(solo.used));
    player.ExecuteUntil(PacketAt(4 * kSecond - 4410) - 5); // just before the first sweep
    std::set<int> shown;
    for (int y = 12; y < 204; ++y)
        for (int x = 6; x < 294; ++x) shown.insert(player.Renderer().Pixel(x, y));
    EXPECT_EQ(shown, (std::set<int>{12, 15}));

    song.settings.singerCount = 2;
    song.singerDescriptions = {"Her", "Him", ""};
    const Written duet = Write(song);
    CdgStreamSnapshot again(std::span(duet.buffer).first(duet.used));
    // The legend shows right after the first resets, in colours 12 and 9.
    again.ExecuteUntil(38 + 200);
    shown.clear();
    for (int y = 12; y < 204; ++y)
        for (int x = 6; x < 294; ++x) shown.insert(again.Renderer().Pixel(x, y));
    EXPECT_EQ(shown, (std::set<int>{9, 12, 15}));
    EXPECT_GT(duet.leadIn, 0u); // 1.5 s of legend before a song that starts at 4 s
}

// Column j of the word's m tile columns goes at packet 300 + j x 300 / m, its rows in the
// packets right after.
TEST(WriteRwMemory, SweepsArePacedEvenlyByTileColumnOrAllAtOnce)
{
    std::vector<uint8_t> buffer(1 << 20, 0);
    CdgPacketGenerator generator(buffer.data(), buffer.size());
    MTextType style;
    style.size = 24;
    style.colour = 12;
    const size_t start = 300 * kCdgPacketBytes, end = 600 * kCdgPacketBytes; // one second
    const size_t n = WriteSweep(generator, 4, 0, "Wonderful", 0, 8, style, 15, 14, kSweepText, start, end);
    const auto packets = Packets(buffer);
    ASSERT_EQ(packets.size(), n);
    ASSERT_GE(n, 5u);
    const int firstColumn = packets.front().Column(), lastColumn = packets.back().Column();
    const size_t columns = size_t(lastColumn - firstColumn + 1);
    size_t tallest = 0;
    for (size_t k = 0, inColumn = 0; k < n; ++k) {
        inColumn = k > 0 && packets[k].Column() == packets[k - 1].Column() ? inColumn + 1 : 0;
        tallest = std::max(tallest, inColumn + 1);
        const size_t step = size_t(packets[k].Column() - firstColumn) * 300 / columns;
        EXPECT_EQ(packets[k].index, 300 + step + inColumn) << k;
        if (inColumn > 0) {
            EXPECT_GT(packets[k].Row(), packets[k - 1].Row()) << k;
        }
    }
    EXPECT_GE(tallest, 2u);

    std::vector<uint8_t> whole(1 << 20, 0);
    CdgPacketGenerator g2(whole.data(), whole.size());
    WriteSweep(g2, 4, 0, "Wonderful", 0, 8, style, 15, 14, kSweepText, start, start + 1);
    const auto atOnce = Packets(whole);
    for (size_t k = 0; k < atOnce.size(); ++k) EXPECT_EQ(atOnce[k].index, 300 + k);
}

TEST(WriteRwMemory, FromTimeLeavesOutWhatCameBefore)
{
    KaraokeSong song;
    TimedSong(song, "a b c d", 10 * kSecond);
    const Written all = Write(song);
    const Written late = Write(song, 12 * kSecond);
    size_t sweepsAll = 0, sweepsLate = 0;
    for (const auto& p : all.packets) sweepsAll += p.instruction == kCdgTileXor && p.index > 2900;
    for (const auto& p : late.packets) sweepsLate += p.instruction == kCdgTileXor && p.index > 2900;
    EXPECT_GT(sweepsAll, sweepsLate);
    // Nothing of the line draw at 8 s.
    EXPECT_EQ(FirstFrom(late, 4 * 38)->index >= PacketAt(12 * kSecond - 4410), true);
}

TEST(WriteRwMemory, EmptySongsGetTheirPagesAndTheMusicGrowsToTheStream)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string wav = dir.File("music.wav");
    {
        WavOutFile out;
        ASSERT_TRUE(out.Create(wav, 44100, 16, 2));
        std::vector<int16_t> samples(2 * kSecond * 2, 0);
        ASSERT_TRUE(out.Write(samples));
        ASSERT_TRUE(out.Close());
    }
    KaraokeSong song;
    song.SetMusicPath(wav);
    ASSERT_EQ(song.musicDataBytes, 2 * kSecond * 4);
    IMAGE_STRUCT& credits = *song.FindPage(kPageCredits);
    credits.enabled = 1;
    credits.text = "The end";
    const SongStream stream = WriteRwMemory(song);
    const size_t used = stream.usedLength;
    // Credits only: 38 resets, the page's own 38, 768 tiles, 600 hold and 600 tail packets.
    EXPECT_EQ(used, size_t(38 + 38 + 768 + 600 + 600) * kCdgPacketBytes);
    const uint32_t needed = uint32_t(uint64_t(used) * 176400 / 7200);
    EXPECT_EQ(stream.musicBytes, needed);
    // The buffer follows the longer music.
    EXPECT_EQ(stream.bytes.size(), SongStream::BufferBytes(needed));
    // The user's own WAV stays as it was and the song still plays from it, as long as it is:
    // the rest is silence read after its samples.
    WaveStreamReader original;
    ASSERT_TRUE(original.Open(wav));
    EXPECT_EQ(original.DataBytes(), 2 * kSecond * 4);
    EXPECT_EQ(song.MusicWorkPath(), wav);
    EXPECT_EQ(song.musicDataBytes, 2 * kSecond * 4);
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp")));
}

namespace {

std::set<int> RowColours(const CdgStreamSnapshot& player, int top, int bottom)
{
    std::set<int> shown;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            shown.insert(player.Renderer().Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop));
    return shown;
}

} // namespace

TEST(WriteRwMemory, EmptySlotsAndLongerEraseCountsFollowTheRule)
{
    KaraokeSong song;
    TimedSong(song, "a\nb\n\nd\ne\nf\ng\nh", 5 * kSecond);
    auto end = [&](int i) { return int32_t(song.lines[size_t(i)]->words.back()->end); };
    Written w = Write(song);
    // Page 0 holds a, b, a blank line, d. N = 0: the blank slot goes with d; a and b with b.
    EXPECT_EQ(w.times[4].draw, end(1));
    EXPECT_EQ(w.times[5].draw, end(1));
    EXPECT_EQ(w.times[6].draw, end(3));
    EXPECT_EQ(w.times[7].draw, end(3));
    song.eraseLinesFromBottom = 2;
    w = Write(song);
    EXPECT_EQ(w.times[4].draw, end(0));
    EXPECT_EQ(w.times[5].draw, end(1));
    EXPECT_EQ(w.times[6].draw, end(1));
    EXPECT_EQ(w.times[7].draw, end(3));

    // A page break after two lines: b, the bottom line, also covers the empty slots below it,
    // and a is replaced as soon as it has been sung.
    KaraokeSong broken;
    TimedSong(broken, "a\nb\n^\nc\nd\ne\nf\ng", 5 * kSecond);
    w = Write(broken);
    ASSERT_EQ(broken.lines[2]->page, 1);
    EXPECT_EQ(w.times[2].draw, int32_t(broken.lines[0]->words.back()->end));
    const int32_t endB = int32_t(broken.lines[1]->words.back()->end);
    for (int i = 3; i <= 5; ++i) EXPECT_EQ(w.times[size_t(i)].draw, endB) << i;
}

TEST(WriteRwMemory, LinesAppearSweepAndGoAtTheirTimes)
{
    for (int mode : {kSweepText, kSweepBackground}) {
        SCOPED_TRACE(mode);
        KaraokeSong song;
        song.settings.sweepKind = mode;
        song.settings.advanceSweep = 0;
        TimedSong(song, "first line\nsecond\nthird\nfourth\nnext page", 6 * kSecond);
        const Written w = Write(song);
        CdgStreamSnapshot player(std::span(w.buffer).first(w.used));
        const std::set<int> background{15};
        // Row 0 of four: y 0-48.
        player.ExecuteUntil(PacketAt(4 * kSecond) - 1);
        EXPECT_EQ(RowColours(player, 0, 48), background);
        player.ExecuteUntil(PacketAt(4 * kSecond) + 200);
        EXPECT_EQ(RowColours(player, 0, 48), (std::set<int>{12, 15}));
        // After both words of the first line are sung.
        player.ExecuteUntil(PacketAt(8 * kSecond));
        if (mode == kSweepText) EXPECT_EQ(RowColours(player, 0, 48), (std::set<int>{14, 15}));
        else EXPECT_EQ(RowColours(player, 0, 48), (std::set<int>{12, 14, 15}));
        // "second" and "third" sung: the first row is erased, the next page's line drawn there.
        const int64_t erased = w.times[0].erase;
        EXPECT_EQ(erased, int64_t(song.lines[2]->words.back()->end));
        player.ExecuteUntil(PacketAt(erased) + 300);
        EXPECT_EQ(RowColours(player, 0, 48), (std::set<int>{12, 15}));
        EXPECT_EQ(w.times[4].draw, erased);
    }
}

TEST(WriteRwMemory, ALyricsPictureMovesTheLinesToTheLowerRows)
{
    for (int share : {50, 75}) {
        SCOPED_TRACE(share);
        KaraokeSong song;
        song.settings.linesPerPage = share == 50 ? 3 : 2;
        song.settings.advanceSweep = 0;
        IMAGE_STRUCT& lyrics = *song.FindPage(kPageLyrics);
        lyrics.hasGraphic = 1;
        lyrics.graphicShare = share;
        lyrics.graphic.header.width = 288;
        lyrics.graphic.header.height = 192;
        lyrics.graphic.conversionPending = 1;
        TimedSong(song, "top line\nlower", 6 * kSecond);
        const Written w = Write(song);
        CdgStreamSnapshot player(std::span(w.buffer).first(w.used));
        player.ExecuteUntil(PacketAt(5 * kSecond));
        // 50: six rows of 32, the lines in rows 3 and 4. 75: eight rows of 24, rows 6 and 7.
        const int rowHeight = share == 50 ? 32 : 24;
        const int firstRow = share == 50 ? 3 : 6;
        EXPECT_TRUE(RowColours(player, firstRow * rowHeight, (firstRow + 1) * rowHeight).count(12));
        EXPECT_TRUE(RowColours(player, (firstRow + 1) * rowHeight, (firstRow + 2) * rowHeight).count(12));
        // The picture's rows hold picture colours (entries 0-10) and no text.
        for (int index : RowColours(player, 0, share * 192 / 100)) EXPECT_LE(index, 10);
    }
}

TEST(WriteRwMemory, AGraphicShareTheDialogNeverSetsIsReadAsNone)
{
    TempDir dir;
    {
        KaraokeSong saved(dir.File("share.tvx"));
        saved.settings.advanceSweep = 0;
        IMAGE_STRUCT& lyrics = *saved.FindPage(kPageLyrics);
        lyrics.hasGraphic = 1;
        lyrics.graphicShare = 30;
        lyrics.graphic.header.width = 288;
        lyrics.graphic.header.height = 192;
        lyrics.graphic.conversionPending = 1;
        TimedSong(saved, "top line\nlower\nthird", 6 * kSecond);
        ASSERT_TRUE(SaveProject(saved));
    }
    KaraokeSong song(dir.File("share.tvx"));
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.FindPage(kPageLyrics)->graphicShare, 0);
    song.GenerateKaraokeLineList(true, true);
    const Written w = Write(song);
    CdgStreamSnapshot player(std::span(w.buffer).first(w.used));
    player.ExecuteUntil(PacketAt(5 * kSecond));
    // Each line in its own row of four, as without a picture; the rows below hold no text.
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(RowColours(player, row * 48, row * 48 + 48).count(12), row < 3 ? 1u : 0u) << row;
}

TEST(WriteRwMemory, WithLoggingOnItDumpsItsTablesAndTheStream)
{
    TempDir dir;
    const std::string file = dir.File("log.bin");
    MLogQueue::SetEnabledForTesting(true, file);
    KaraokeSong song;
    TimedSong(song, "a b\nc", 3 * kSecond);
    const Written w = Write(song);
    MLogQueue::SetEnabledForTesting(false, "");
    const auto bytes = ReadFileBytes(file);
    const std::string text(bytes.begin(), bytes.end());
    const size_t ends = text.find("WriteRwMemory-hiliteEnd");
    const size_t erase = text.find("WriteRwMemory-eraseTimes");
    const size_t data = text.find("WriteRwMemory-RW Data");
    ASSERT_NE(ends, std::string::npos);
    ASSERT_NE(erase, std::string::npos);
    ASSERT_NE(data, std::string::npos);
    EXPECT_LT(ends, erase);
    EXPECT_LT(erase, data);
    // The highlight-end dump: one page of four slots, the empty ones carrying the last end.
    const size_t record = text.rfind("LOGD", ends);
    ASSERT_EQ(GetLe32(&bytes[record + 12]), 16u);
    const uint32_t endC = song.lines[1]->words.back()->end;
    EXPECT_EQ(GetLe32(&bytes[record + 16]), song.lines[0]->words.back()->end);
    EXPECT_EQ(GetLe32(&bytes[record + 20]), endC);
    EXPECT_EQ(GetLe32(&bytes[record + 24]), endC);
    EXPECT_EQ(GetLe32(&bytes[record + 28]), endC);
    // The stream dump holds the whole buffer.
    const size_t streamRecord = text.rfind("LOGD", data);
    EXPECT_EQ(GetLe32(&bytes[streamRecord + 12]), uint32_t(w.buffer.size()));
}

TEST(WriteRwMemory, SweepsOfShadowedLinesLandOnTheDrawnLetters)
{
    for (int mode : {kSweepText, kSweepBackground}) {
        SCOPED_TRACE(mode);
        KaraokeSong song;
        song.settings.sweepKind = mode;
        song.settings.advanceSweep = 0;
        song.FindPage(kPageLyrics)->style.style = kStyleBold | kStyleShadow;
        TimedSong(song, "Shadowed words sweep", 6 * kSecond);
        const Written w = Write(song);
        CdgStreamSnapshot player(std::span(w.buffer).first(w.used));
        // After every word is swept: only background, outline, text and sweep colours; the XOR
        // layers would leave other indices wherever a sweep missed the letters.
        player.ExecuteUntil(PacketAt(9 * kSecond + 1000));
        EXPECT_EQ(RowColours(player, 0, 192), mode == kSweepText ? (std::set<int>{13, 14, 15})
                                                                 : (std::set<int>{12, 13, 14, 15}));
    }
}
