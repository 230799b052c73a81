// Songs made in one step from the karaoke files people have: KAR/MIDI (words, times and music)
// and UltraStar songs.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "project/ProjectFile.h"
#include "media/ByteOrder.h"
#include "player/CdgStreamSnapshot.h"
#include "project/KaraokeSong.h"
#include "support/MidiWriter.h"
#include "support/MusicFiles.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr uint32_t kTicksPerQuarter = 480;
constexpr uint8_t kSweepSlot = 14;

void WriteBytes(const std::string& path, const std::string& bytes)
{
    WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

struct Syllable {
    uint32_t tick;
    std::string text;
    const char* word; // the word element it becomes
    double seconds;   // when it is sung, worked out by hand from the tempo map below
};

// 480 ticks a quarter; 100 beats a minute (1,250 us a tick) until tick 1,920 (2.4 s), then 200
// (625 us a tick). Line 2 starts 1.1 s after line 1's last syllable has ended (a second after
// its start).
const std::vector<Syllable> kSyllables = {
    {480, "/Rain", "Rain", 0.6},   {720, "drops ", "drops", 0.9}, {960, "fall", "fall", 1.2},
    {1200, "ing", "ing", 1.5},     {3840, "/on ", "on", 3.6},     {4320, "me", "me", 3.9},
};

// A karaoke MIDI file: a conductor track with the song's name and the tempo map, a piano
// melody, and the words as lyric events with "@T" title and artist lines.
std::string KaraokeMidi()
{
    MidiWriter conductor;
    conductor.Meta(0, 0x03, "Conductor");
    conductor.Tempo(0, 600000);
    conductor.Tempo(1920, 300000);
    MidiWriter melody;
    melody.Event(0, std::string("\xC0\x00", 2));
    for (uint32_t tick = 0; tick < 4800; tick += 240) melody.Note(tick, 200, 0, uint8_t(60 + (tick / 240) % 12));
    MidiWriter words;
    words.Meta(0, 0x03, "Words");
    words.Meta(0, 0x01, "@TRain Song");
    words.Meta(0, 0x01, "@TThe Clouds");
    for (const Syllable& s : kSyllables) words.Meta(s.tick, 0x05, s.text);
    return MidiWriter::File({conductor, melody, words}, kTicksPerQuarter);
}

// Pixels of the sweep colour on the screen.
size_t SweptPixels(const CdgScreen& r)
{
    size_t n = 0;
    for (int y = 0; y < 216; ++y)
        for (int x = 0; x < 300; ++x) n += r.Pixel(x, y) == kSweepSlot ? 1 : 0;
    return n;
}

} // namespace

TEST(KaraokeFileSong, AKarFilesSyllablesKeepTheirTimesThroughATempoChange)
{
    TempDir dir;
    WriteBytes(dir.File("rain.kar"), KaraokeMidi());
    const auto karBytes = ReadFileBytes(dir.File("rain.kar"));
    const std::string tune = MakeMusic(dir.Path().string(), "tune.wav", 6 * kRate, kRate, 2, "-c:a pcm_s16le");
    const CliResult r = RunCli({"new", "-o", dir.File("rain.tvx"), "--music", tune, "--lyrics", dir.File("rain.kar")});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_EQ(ReadFileBytes(dir.File("rain.kar")), karBytes);

    KaraokeSong song(dir.File("rain.tvx"));
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.title, "Rain Song");
    EXPECT_EQ(song.artist, "The Clouds");
    ASSERT_EQ(song.LineCount(), 2u);
    EXPECT_EQ(song.lines[0]->text, "Rain*drops fall*ing");
    EXPECT_EQ(song.lines[1]->text, "on me");
    ASSERT_EQ(song.words.size(), kSyllables.size());
    for (size_t i = 0; i < kSyllables.size(); ++i) {
        SCOPED_TRACE(kSyllables[i].word);
        const MKaraokeWord& w = *song.words[i];
        EXPECT_EQ(song.lines[i < 4 ? 0 : 1]->text.substr(size_t(w.first), size_t(w.last - w.first + 1)), kSyllables[i].word);
        // Within a millisecond (44 samples) of the event's time.
        EXPECT_NEAR(double(w.start), kSyllables[i].seconds * kRate, 44.1);
        // Each ends where the next starts; the line's last a second on, before the next line.
        const double end = i == 3 ? 2.5 : i + 1 < kSyllables.size() ? kSyllables[i + 1].seconds : 4.9;
        EXPECT_NEAR(double(w.end), end * kRate, 44.1);
    }

    // --no-times: the words alone.
    const CliResult plain = RunCli(
        {"new", "-o", dir.File("plain.tvx"), "--music", tune, "--lyrics", dir.File("rain.kar"), "--no-times"});
    ASSERT_EQ(plain.status, 0) << plain.Output();
    KaraokeSong untimed(dir.File("plain.tvx"));
    ASSERT_TRUE(LoadProject(untimed));
    EXPECT_FALSE(untimed.LyricsPlaced());
    EXPECT_EQ(untimed.lyricText, song.lyricText);
}

TEST(KaraokeFileSong, AKarFileAloneBecomesAnMp3GWhoseSweepsFollowItsSyllables)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    WriteBytes(dir.File("rain.kar"), KaraokeMidi());
    const auto karBytes = ReadFileBytes(dir.File("rain.kar"));
    const CliResult made =
        RunCli({"new", "-o", dir.File("rain.tvx"), "--music", dir.File("rain.kar"), "--lyrics", dir.File("rain.kar")});
    ASSERT_EQ(made.status, 0) << made.Output();
    EXPECT_NE(made.err.find(": Rendered from MIDI with the SoundFont "), std::string::npos) << made.err;
    EXPECT_EQ(ReadFileBytes(dir.File("rain.kar")), karBytes);

    // The rendered music: 44,100 Hz 16-bit stereo, as long as the MIDI (4.2 s to its last event)
    // and its notes' release, and not silent.
    const auto wav = ReadFileBytes(dir.File("rain.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(GetLe16(&wav[22]), 2u);
    EXPECT_EQ(GetLe32(&wav[24]), uint32_t(kRate));
    EXPECT_EQ(GetLe16(&wav[34]), 16u);
    const double seconds = double(GetLe32(&wav[40])) / 4 / kRate;
    EXPECT_GT(seconds, 4.2);
    EXPECT_LT(seconds, 7.5);
    int peak = 0;
    for (size_t i = 44; i + 1 < wav.size(); i += 2) peak = std::max(peak, std::abs(int(int16_t(GetLe16(&wav[i])))));
    EXPECT_GT(peak, 1000);

    const std::string zip = dir.File("rain.zip");
    const CliResult exported = RunCli({"export", dir.File("rain.tvx"), "-o", zip});
    ASSERT_EQ(exported.status, 0) << exported.Output();
    const CliResult list = RunProgram("unzip", {"-Z1", zip});
    EXPECT_EQ(list.out, "rain.mp3\nrain.cdg\n");
    const CliResult cdg = RunProgram("unzip", {"-p", zip, "rain.cdg"});
    ASSERT_EQ(cdg.status, 0);
    const std::vector<uint8_t> stream(cdg.out.begin(), cdg.out.end());

    // The sweep, packet by packet: when it first moves, each step it takes along line 1 (a tile
    // column, whose rows change in consecutive packets), when it stops at the end of line 1 and
    // when it moves again for line 2. Offsets (lead-in, sweep advance) cancel in the differences.
    CdgStreamSnapshot player(stream);
    size_t previous = 0;
    long firstMove = -1, lastMoveOfLine1 = -1, firstMoveOfLine2 = -1;
    constexpr long kQuietPackets = 150; // half a second without a move: the gap between the lines
    constexpr long kColumnPackets = 3;  // the rows of one tile column
    long lastMove = -1;
    std::vector<long> line1Steps;
    for (size_t p = 1; p <= player.PacketCount(); ++p) {
        player.ExecuteUntil(p);
        const size_t swept = SweptPixels(player.Renderer());
        if (swept > previous) {
            if (firstMove < 0) firstMove = long(p);
            if (lastMove >= 0 && long(p) - lastMove > kQuietPackets && firstMoveOfLine2 < 0) {
                lastMoveOfLine1 = lastMove;
                firstMoveOfLine2 = long(p);
            }
            if (firstMoveOfLine2 < 0 && (lastMove < 0 || long(p) - lastMove > kColumnPackets))
                line1Steps.push_back(long(p));
            lastMove = long(p);
        }
        previous = std::max(previous, swept);
        if (swept < previous) previous = swept; // a page change clears the screen
    }
    ASSERT_GE(firstMove, 0);
    ASSERT_GE(firstMoveOfLine2, 0) << "no pause between the lines' sweeps";
    const double packet = 1.0 / 300;
    // Line 2 starts 3.0 s after line 1; line 1's last syllable ends 1.1 s before line 2 starts.
    EXPECT_NEAR((firstMoveOfLine2 - firstMove) * packet, 3.0, 0.06);
    // The sweep takes its last step, to the syllable's last tile column, one step before the
    // syllable's end: "ing" is a second over a handful of columns.
    ASSERT_GE(line1Steps.size(), 2u);
    const double step = (line1Steps.back() - line1Steps[line1Steps.size() - 2]) * packet;
    EXPECT_GT(step, 0.05);
    EXPECT_LT(step, 0.34);
    const double pause = (firstMoveOfLine2 - lastMoveOfLine1) * packet;
    EXPECT_NEAR(pause, 1.1 + step, 0.02);
}

TEST(KaraokeFileSong, AnUltraStarSongNamesItsMusicAndTimesItsNotes)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "melody.mp3", 5 * kRate, 48000, 2);
    // 240 BPM: a beat is 1/16 s; the gap 0.5 s.
    const std::string text = "#TITLE:Stars\n#ARTIST:Night Choir\n#MP3:melody.mp3\n#BPM:240\n#GAP:500\n"
                             ": 0 8 60 Twin\n: 8 8 60 kle \n* 16 8 67 star\n- 26\nF 32 8 0 high\nE\n";
    WriteBytes(dir.File("stars.txt"), text);
    const CliResult r = RunCli({"new", "-o", dir.File("stars.tvx"), "--lyrics", dir.File("stars.txt")});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_NE(r.err.find("Converted from 48,000 Hz stereo to 44,100 Hz stereo."), std::string::npos) << r.err;
    KaraokeSong song(dir.File("stars.tvx"));
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.musicPath, dir.File("stars.wav"));
    EXPECT_EQ(song.title, "Stars");
    EXPECT_EQ(song.artist, "Night Choir");
    ASSERT_GE(song.LineCount(), 2u);
    EXPECT_EQ(song.lines[0]->text, "Twin*kle star");
    EXPECT_EQ(song.lines[1]->text, "high");
    ASSERT_EQ(song.words.size(), 4u);
    const double starts[] = {0.5, 1.0, 1.5, 2.5};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(double(song.words[i]->start), starts[i] * kRate, 44.1) << i;
        EXPECT_NEAR(double(song.words[i]->end), (starts[i] + 0.5) * kRate, 44.1) << i;
    }

    // Music the song names but that is not there: said, and nothing written.
    WriteBytes(dir.File("lost.txt"), "#BPM:240\n#MP3:gone.mp3\n: 0 8 60 la\nE\n");
    const CliResult lost = RunCli({"new", "-o", dir.File("lost.tvx"), "--lyrics", dir.File("lost.txt")});
    EXPECT_EQ(lost.status, 1);
    EXPECT_NE(lost.err.find("File not found"), std::string::npos) << lost.err;
    EXPECT_FALSE(fs::exists(dir.File("lost.tvx")));
}
