#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/JsonValue.h"
#include "cli/RenderCliRunner.h"
#include "cli/ScriptSongs.h"
#include "player/PngCodec.h"

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
