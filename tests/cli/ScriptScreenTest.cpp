#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cdg/CdgFormat.h"
#include "cdg/WordBoxes.h"
#include "cli/JsonValue.h"
#include "cli/RenderCliRunner.h"
#include "cli/ScriptSongs.h"
#include "player/CdgStreamSnapshot.h"
#include "player/PngCodec.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "project/SweepAdvance.h"
#include "text/Utf8.h"

namespace {

std::string Lrc(const std::vector<std::string>& lines)
{
    std::string lrc;
    for (size_t i = 0; i < lines.size(); ++i) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "[00:%02zu.00]", 1 + 2 * i);
        lrc += stamp + lines[i] + "\n";
    }
    return lrc;
}

// How many pixels two pictures of one size differ in, and the first of them.
int Differing(const RgbImage& a, const RgbImage& b, std::string& first)
{
    int count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.ColourAt(x, y) != b.ColourAt(x, y) && count++ == 0) first = std::to_string(x) + "," + std::to_string(y);
    return count;
}

} // namespace

// Every script's line on the screen halfway through its sweep, in the song's own stream: drawn in
// its own letters (never as the "?" of a text that lost them) and exactly as the picture in
// tests/data/scripts/LANGUAGE.png that was checked by eye: Arabic joined and read from the
// right, Hebrew from the right, Devanagari with its conjuncts and vowel signs (the sign above
// reaching over the line's cell is drawn, swept and erased with it), Thai with its marks.
// The pictures depend on the faces scripts/install-deps.sh installs: DejaVu Sans 2.37,
// WenQuanYi Micro Hei 0.2.0-beta, Lohit Devanagari 2.95.4 and Garuda 0.7.3 (Debian 12). Another
// version of a face draws other pixels: TESSAVOX_WRITE_GOLDEN=1 writes the pictures anew from
// this run, to be looked at before they are committed.
TEST(ScriptScreen, EveryScriptIsDrawnInItsOwnLettersAsItsPictureShows)
{
    TempDir dir;
    std::vector<std::string> lines, unknown;
    for (const ScriptLine& line : EveryScriptLine()) {
        lines.push_back(line.text);
        unknown.push_back(QuestionMarks(line.text));
    }
    const int seconds = int(2 * lines.size() + 3);
    const std::string project = MakeTimedSong(dir, "scripts", Lrc(lines), seconds);
    const std::string marks = MakeTimedSong(dir, "marks", Lrc(unknown), seconds);
    ASSERT_FALSE(project.empty() || marks.empty());
    const std::string stream = StreamOf(project), marksStream = StreamOf(marks);
    ASSERT_FALSE(stream.empty() || marksStream.empty());

    const CliResult info = RunCli({"info", "--json", project});
    ASSERT_EQ(info.status, 0) << info.Output();
    JsonValue doc;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(info.out, doc, error)) << error;
    const int slots = int(doc["linesPerPage"].AsInt());
    ASSERT_GT(slots, 0);

    const bool write = std::getenv("TESSAVOX_WRITE_GOLDEN") != nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string language = EveryScriptLine()[i].language;
        SCOPED_TRACE(language);
        const int slot = int(doc["lines"][i]["slot"].AsInt());
        // The line is sung from 1 + 2i to 3 + 2i seconds: halfway, its first words are swept.
        const double moment = 2.0 + 2.0 * double(i);
        const RgbImage drawn = SlotBand(RenderAt(stream, moment, dir.File("drawn.png")), slots, slot);
        const RgbImage asked = SlotBand(RenderAt(marksStream, moment, dir.File("marks.png")), slots, slot);
        ASSERT_GT(drawn.width, 0);
        ASSERT_GT(asked.width, 0);
        std::string first;
        EXPECT_GT(Differing(drawn, asked, first), 0) << "the line looks like question marks";

        const std::string golden = std::string(TESSAVOX_SOURCE_DIR) + "/tests/data/scripts/" + language + ".png";
        if (write) WriteFileBytes(golden, EncodePng(drawn, 9));
        const RgbImage expected = LoadPng(golden);
        ASSERT_EQ(expected.width, drawn.width) << golden;
        ASSERT_EQ(expected.height, drawn.height) << golden;
        const int differing = Differing(drawn, expected, first);
        if (differing) WriteFileBytes(language + "-drawn.png", EncodePng(drawn));
        EXPECT_EQ(differing, 0) << "differs from " << golden << " first at " << first << "; this run's picture is "
                                << language << "-drawn.png in the test's working folder";
    }
}

// An enhanced LRC that times every character of a Japanese line: each character becomes a timed
// unit of its own, and the stream's sweep reaches each character's box in the packet of its time
// (moved by the song's advance and the stream's lead-in), give or take one packet.
TEST(ScriptScreen, AJapaneseEnhancedLrcSweepsEveryCharacterAtItsOwnTime)
{
    TempDir dir;
    const std::vector<std::pair<std::string, std::vector<int>>> lines = {
        // The characters and their times in hundredths of a second, then the line's end.
        {"\u3055\u304f\u3089\u54b2\u304f\u6625", {100, 140, 180, 220, 270, 310, 360}},
        {"\u5922\u306e\u4e2d\u3078", {400, 425, 450, 550, 600}},
    };
    auto stamp = [](int hundredths) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d.%02d", hundredths / 6000, hundredths / 100 % 60, hundredths % 100);
        return std::string(text);
    };
    std::string lrc;
    for (const auto& [text, times] : lines) {
        lrc += "[" + stamp(times[0]) + "]";
        size_t k = 0;
        for (size_t i = 0; i < text.size(); ++k) {
            char32_t cp = 0;
            const size_t n = NextCodePoint(text, i, cp);
            lrc += "<" + stamp(times[k]) + ">" + text.substr(i, n);
            i += n;
        }
        lrc += "<" + stamp(times[k]) + ">\n";
    }
    const std::string project = MakeTimedSong(dir, "sakura", lrc, 8);
    ASSERT_FALSE(project.empty());
    const std::string stream = std::filesystem::path(project).replace_extension(".cdg").string();
    const CliResult written = RunCli({"stream", project, "-o", stream});
    ASSERT_EQ(written.status, 0) << written.Output();
    const size_t leadAt = written.out.find("lead-in ");
    ASSERT_NE(leadAt, std::string::npos) << written.out;
    const int64_t leadIn = std::stoll(written.out.substr(leadAt + 8));

    KaraokeSong song(project);
    ASSERT_TRUE(LoadProject(song));
    song.GenerateKaraokeLineList(true, true); // the final text, as the stream is written from
    ComputeWordBoxes(song);
    ASSERT_EQ(song.lines.size(), lines.size());
    const int64_t shift = leadIn + SweepAdvance::FromStored(song.settings.advanceSweep).ShiftFrames();
    const std::vector<uint8_t> bytes = ReadFileBytes(stream);
    CdgStreamSnapshot player(bytes);
    const uint8_t sweep = uint8_t(song.settings.sweepColour & 0x0F);
    for (size_t l = 0; l < lines.size(); ++l) {
        const MKaraokeLine& line = *song.lines[l];
        const std::vector<int>& times = lines[l].second;
        ASSERT_EQ(line.words.size() + 1, times.size()) << "one timed unit a character in " << line.text;
        for (size_t k = 0; k < line.words.size(); ++k) {
            const MKaraokeWord& w = *line.words[k];
            SCOPED_TRACE(line.text.substr(size_t(w.first), size_t(w.last - w.first + 1)));
            EXPECT_EQ(w.last - w.first + 1, 3) << "one character of three bytes";
            EXPECT_EQ(w.start, uint32_t(times[k]) * 441);
            ASSERT_LT(w.boxLeft, w.boxRight);
            const int64_t expected = (int64_t(w.start) + shift) / int64_t(kCdgSampleFramesPerPacket);
            // The first packet after which a pixel of the box shows the sweep colour.
            std::optional<int64_t> reached;
            for (int64_t packet = std::max<int64_t>(0, expected - 20); packet <= expected + 20 && !reached; ++packet) {
                player.ExecuteUntil(size_t(packet) + 1);
                for (int y = w.boxTop; y < w.boxBottom && !reached; ++y)
                    for (int x = w.boxLeft; x < w.boxRight && !reached; ++x)
                        if (player.Renderer().Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop) == sweep) reached = packet;
            }
            ASSERT_TRUE(reached.has_value()) << "never swept near packet " << expected;
            EXPECT_LE(std::abs(*reached - expected), 1) << "swept at packet " << *reached << ", timed for " << expected;
        }
    }
}
