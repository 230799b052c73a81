#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "cli/JsonValue.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "project/SettingsBlock.h"
#include "support/TempDir.h"

namespace {

const std::string kDemoSong = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx";

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

JsonValue ParseJson(const std::string& text)
{
    JsonValue value;
    std::string error;
    EXPECT_TRUE(JsonValue::Parse(text, value, error)) << error;
    return value;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A project of the given version with empty strings, no pages and no lines, laid out as that
// version lays it out.
std::vector<uint8_t> EmptyProjectBytes(int32_t version)
{
    SettingsBlock block;
    block.version = version;
    const auto head = block.ToBytes();
    std::vector<uint8_t> bytes(head.begin(), head.end());
    PutU32(bytes, 0); // lyric text
    PutU32(bytes, 0); // music path
    if (version >= 600) {
        PutU32(bytes, 0); // erase lines from bottom
        PutU32(bytes, 0); // sweep entire word
        for (int i = 0; i < 5; ++i) PutU32(bytes, 0); // artist, title, three descriptions
    }
    PutU32(bytes, 0); // pages
    PutU32(bytes, 0); // lines
    return bytes;
}

} // namespace

TEST(InfoCommand, ShowsTheDemoSongAsText)
{
    const CliResult r = RunCli({"info", kDemoSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string& out = r.out;
    EXPECT_TRUE(Contains(out, "\nVersion:        600\n")) << out;
    EXPECT_TRUE(Contains(out, "\nSingers:        Solo\n"));
    EXPECT_TRUE(Contains(out, "\nLines per page: 4\n"));
    // Stored as -20: the stream applies half of it.
    EXPECT_TRUE(Contains(out, "\nAdvance sweep:  0.10 s\n")) << out;
    EXPECT_TRUE(Contains(out, "\nArtist:         Traditional\n"));
    EXPECT_TRUE(Contains(out, "\nTitle:          Twinkle, Twinkle, Little Star\n"));
    EXPECT_TRUE(Contains(out, "\nMusic:          (none)\n"));
    EXPECT_TRUE(Contains(out, "  Title page (101): enabled, draw 2 Fill Down, erase 8 Block Dissolve, hold 3.00 s\n"
                              "    | Twinkle, Twinkle,\n    | Little Star\n    | \n    | A traditional song\n"));
    // The demo's longer lines are wider than the screen at its 24-pixel bold face.
    EXPECT_TRUE(Contains(out, "    | Words by Jane Taylor, 1806    [too wide for the screen (")) << out;
    EXPECT_TRUE(Contains(out, " of 288 pixels)]\n    | Traditional melody\n"));
    EXPECT_TRUE(Contains(out, "  Lyrics page (102): disabled, draw 0 Fill Right, erase 0 Fill Right, hold 2.00 s\n"
                              "    (no text)\n"));
    EXPECT_TRUE(Contains(out, "\nLines: 12 on 4 pages\n"));
    // First and last word of the song, and the first line of the second verse.
    EXPECT_TRUE(Contains(out, "  Line 1: page 0 slot 0, placed, colour 12 (Singer 1)\n"
                              "    \"Twin*kle, twin*kle, lit*tle star,\"\n"
                              "      00:04.80 - 00:05.40  Twin*\n"
                              "      00:05.40 - 00:06.00  kle,\n"));
    EXPECT_TRUE(Contains(out, "      01:06.00 - 01:07.20  are!\n"));
    EXPECT_TRUE(Contains(out, "  Line 7: page 2 slot 0, placed, colour 12 (Singer 1), new page before, too wide for "
                              "the screen ("));
    EXPECT_TRUE(Contains(out, " of 288 pixels)\n"
                              "    \"When the bla*zing sun is gone,\"\n"
                              "      00:38.40 - 00:39.00  When\n"));
}

// Every value of the JSON report is checked against the project as the engine loads it.
TEST(InfoCommand, JsonOfTheDemoSongMatchesTheLoadedProject)
{
    KaraokeSong song(kDemoSong);
    ASSERT_TRUE(LoadProject(song));

    const CliResult r = RunCli({"info", "--json", kDemoSong});
    ASSERT_EQ(r.status, 0) << r.err;
    const JsonValue doc = ParseJson(r.out);
    ASSERT_TRUE(doc.IsObject());
    EXPECT_EQ(doc["version"].AsInt(), 600);
    EXPECT_EQ(doc["singers"].AsInt(), 1);
    EXPECT_EQ(doc["linesPerPage"].AsInt(), 4);
    EXPECT_EQ(doc["advanceSweep"].AsInt(), song.settings.advanceSweep);
    EXPECT_TRUE(Contains(r.out, "\"advanceSweepSeconds\": 0.1,")) << r.out;
    EXPECT_EQ(doc["artist"].AsString(), "Traditional");
    EXPECT_EQ(doc["title"].AsString(), "Twinkle, Twinkle, Little Star");
    EXPECT_TRUE(doc["music"].IsString());
    EXPECT_EQ(doc["music"].AsString(), "");

    const JsonValue& pages = doc["pages"];
    ASSERT_TRUE(pages.IsArray());
    ASSERT_EQ(pages.size(), song.PageCount());
    for (size_t i = 0; i < song.PageCount(); ++i) {
        const IMAGE_STRUCT& page = *song.PageAt(i);
        SCOPED_TRACE("page " + std::to_string(i));
        EXPECT_EQ(pages[i]["kind"].AsInt(), page.kind);
        ASSERT_TRUE(pages[i]["enabled"].IsBool());
        EXPECT_EQ(pages[i]["enabled"].AsBool(), page.enabled != 0);
        EXPECT_EQ(pages[i]["drawTransition"].AsInt(), page.drawTransition);
        EXPECT_EQ(pages[i]["eraseTransition"].AsInt(), page.eraseTransition);
        EXPECT_EQ(pages[i]["hold"].AsInt(), page.holdTime);
        EXPECT_EQ(pages[i]["text"].AsString(), page.text);
    }
    EXPECT_EQ(pages[0]["kind"].AsInt(), 101);
    EXPECT_EQ(pages[0]["hold"].AsInt(), 300);
    EXPECT_EQ(pages[1]["text"].AsString(), "Words by Jane Taylor, 1806\nTraditional melody");

    const JsonValue& lines = doc["lines"];
    ASSERT_TRUE(lines.IsArray());
    ASSERT_EQ(lines.size(), song.LineCount());
    for (size_t i = 0; i < song.LineCount(); ++i) {
        const MKaraokeLine& line = *song.LineAt(i);
        const JsonValue& l = lines[i];
        SCOPED_TRACE("line " + std::to_string(i));
        EXPECT_EQ(l["page"].AsInt(), line.page);
        EXPECT_EQ(l["slot"].AsInt(), line.slot);
        EXPECT_EQ(l["text"].AsString(), line.text);
        EXPECT_EQ(l["placed"].AsBool(), line.placed != 0);
        EXPECT_EQ(l["colour"].AsInt(), line.colour);
        EXPECT_EQ(l["newPageBefore"].AsBool(), line.newPageBefore != 0);
        ASSERT_EQ(l["words"].size(), line.words.size());
        for (size_t w = 0; w < line.words.size(); ++w) {
            const MKaraokeWord& word = *line.words[w];
            const JsonValue& j = l["words"][w];
            EXPECT_EQ(j["first"].AsInt(), word.first);
            EXPECT_EQ(j["last"].AsInt(), word.last);
            EXPECT_EQ(j["start"].AsInt(), int64_t(word.start));
            EXPECT_EQ(j["end"].AsInt(), int64_t(word.end));
            EXPECT_EQ(j["flags"].AsInt(), int64_t(word.flags));
            EXPECT_EQ(j["text"].AsString(), line.text.substr(size_t(word.first), size_t(word.last - word.first + 1)));
        }
    }
    // Fixed points, so that a loader and a report that agree on a wrong value still fail.
    EXPECT_EQ(lines[0]["words"][0]["start"].AsInt(), 211680);
    EXPECT_EQ(lines[0]["words"][0]["flags"].AsInt(), 2);
    EXPECT_EQ(lines[0]["words"][1]["flags"].AsInt(), 4);
    EXPECT_EQ(lines[4]["page"].AsInt(), 1);
    EXPECT_EQ(lines[4]["slot"].AsInt(), 0);
}

TEST(InfoCommand, ConvertsWindows1252AndEscapesControlCharacters)
{
    TempDir dir;
    // The file name is not UTF-8 either: the report must stay valid JSON all the same.
    const std::string path = dir.File("caf\xE9.tvx");
    KaraokeSong song(path);
    song.title = "Caf\xE9 \x93Noir\x94";
    song.artist = "back\\slash \"quoted\"";
    song.FindPage(kPageTitle)->text = "Line one\nTab\there\x01\x81";
    song.lyricText = "D\xE9j\xE0 vu\n\x80 5";
    song.GenerateKaraokeLineList(true, false);
    ASSERT_TRUE(SaveProject(song));

    const CliResult json = RunCli({"info", path, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const JsonValue doc = ParseJson(json.out);
    EXPECT_EQ(doc["title"].AsString(), "Caf\u00e9 \u201cNoir\u201d");
    EXPECT_EQ(doc["artist"].AsString(), "back\\slash \"quoted\"");
    EXPECT_EQ(doc["pages"][0]["text"].AsString(), "Line one\nTab\there\x01\xC2\x81");
    EXPECT_EQ(doc["lines"][0]["text"].AsString(), "D\u00e9j\u00e0 vu");
    EXPECT_EQ(doc["lines"][0]["words"][0]["text"].AsString(), "D\u00e9j\u00e0");
    EXPECT_EQ(doc["lines"][1]["words"][0]["text"].AsString(), "\u20ac");
    EXPECT_EQ(doc["file"].AsString(), dir.File("caf\uFFFD.tvx"));
    // Control characters are escaped; a C1 character is text to JSON and stays as it is.
    EXPECT_TRUE(Contains(json.out, R"("Line one\nTab\there\u0001)" "\xC2\x81\"")) << json.out;

    const CliResult text = RunCli({"info", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Contains(text.out, "\nTitle:          Caf\u00e9 \u201cNoir\u201d\n")) << text.out;
    EXPECT_TRUE(Contains(text.out, "    | Line one\n    | Tab\\x09here\\x01\\x81\n")) << text.out;
    EXPECT_TRUE(Contains(text.out, "    \"D\u00e9j\u00e0 vu\"\n")) << text.out;
}

TEST(InfoCommand, ReportsTheVersionWordOfAnOlderFile)
{
    TempDir dir;
    for (int32_t version : {400, 550}) {
        SCOPED_TRACE(version);
        const std::string path = dir.File("old" + std::to_string(version) + ".tvx");
        WriteFileBytes(path, EmptyProjectBytes(version));
        const CliResult r = RunCli({"info", "--json", path});
        ASSERT_EQ(r.status, 0) << r.err;
        const JsonValue doc = ParseJson(r.out);
        EXPECT_EQ(doc["version"].AsInt(), version);
        EXPECT_EQ(doc["pages"].size(), 0u);
        EXPECT_EQ(doc["lines"].size(), 0u);

        const CliResult t = RunCli({"info", path});
        EXPECT_TRUE(Contains(t.out, "\nVersion:        " + std::to_string(version) + "\n")) << t.out;
        EXPECT_TRUE(Contains(t.out, "\nLines: 0\n")) << t.out;
    }
}

// Indexes and page numbers come from the file; the report must neither read outside the line,
// overflow, nor refuse.
TEST(InfoCommand, OutlandishValuesFromTheFileAreShownSafely)
{
    TempDir dir;
    const std::string path = dir.File("odd.tvx");
    KaraokeSong song(path);
    MKaraokeLine& line = song.AppendLine();
    line.text = "abc";
    MKaraokeWord& wide = song.AppendWord(line);
    wide.first = -5;
    wide.last = 1000;
    MKaraokeWord& backwards = song.AppendWord(line);
    backwards.first = 10;
    backwards.last = 2;
    // Page numbers at both ends of the range.
    line.page = INT32_MIN;
    song.AppendLine().page = INT32_MAX;
    // An odd advance, which the dialog's steps never make.
    song.settings.advanceSweep = -5;
    ASSERT_TRUE(SaveProject(song));

    const CliResult json = RunCli({"info", "--json", path});
    ASSERT_EQ(json.status, 0) << json.err;
    const JsonValue doc = ParseJson(json.out);
    EXPECT_EQ(doc["lines"][0]["words"][0]["text"].AsString(), "abc");
    EXPECT_EQ(doc["lines"][0]["words"][0]["first"].AsInt(), -5);
    EXPECT_EQ(doc["lines"][0]["words"][1]["text"].AsString(), "");
    EXPECT_EQ(doc["advanceSweep"].AsInt(), -5);
    EXPECT_TRUE(Contains(json.out, "\"advanceSweepSeconds\": 0.025,")) << json.out;

    const CliResult text = RunCli({"info", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Contains(text.out, "      00:00.00 - 00:00.00  abc\n")) << text.out;
    EXPECT_TRUE(Contains(text.out, "\nLines: 2 on 4294967296 pages\n")) << text.out;
    EXPECT_TRUE(Contains(text.out, "\nAdvance sweep:  0.025 s\n")) << text.out;
}

TEST(InfoCommand, UnreadableFilesGiveTheLoadMessageAndStatus1)
{
    TempDir dir;
    const std::vector<uint8_t> demo = ReadFileBytes(kDemoSong);
    ASSERT_GT(demo.size(), 1000u);

    auto version = [](int32_t v) {
        std::vector<uint8_t> bytes = EmptyProjectBytes(600);
        bytes[0] = uint8_t(v);
        bytes[1] = uint8_t(v >> 8);
        return bytes;
    };
    // A page count far beyond what the file holds is a short read, not an allocation.
    std::vector<uint8_t> hugeCount = EmptyProjectBytes(600);
    std::memset(hugeCount.data() + hugeCount.size() - 8, 0xFF, 4);

    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    const std::string endsEarly = "The project file ends before all of its pages and lines could be read";
    const std::vector<Case> cases = {
        {"empty", {}, kMsgNotAProject},
        {"51 bytes", std::vector<uint8_t>(demo.begin(), demo.begin() + 51), kMsgProjectCorrupted},
        {"version 601", version(601), kMsgProjectTooNew},
        {"version 399", version(399), kMsgProjectTooOld},
        {"cut in a page", std::vector<uint8_t>(demo.begin(), demo.begin() + 1000), endsEarly},
        {"cut in the last word", std::vector<uint8_t>(demo.begin(), demo.end() - 1), endsEarly},
        {"huge page count", hugeCount, endsEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.tvx");
        WriteFileBytes(path, c.bytes);
        for (const char* format : {"--json", ""}) {
            std::vector<std::string> args = {"info", path};
            if (*format) args.push_back(format);
            const CliResult r = RunCli(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }

    // A file that cannot be read: the system's reason, after the file's name.
    for (const auto& [path, reason] : {std::pair{dir.File("missing.tvx"), "No such file or directory"},
                                       std::pair{dir.Path().string(), "Is a directory"}}) {
        SCOPED_TRACE(path);
        const CliResult r = RunCli({"info", path});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "tessavox-cli info: " + path + ": " + reason + "\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(InfoCommand, WrongArgumentsGiveUsageAndStatus2)
{
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"info"},
        {"info", "--json"},
        {"info", kDemoSong, kDemoSong},
        {"info", "--colour", kDemoSong},
        {"nonsense", kDemoSong},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(testing::PrintToString(args));
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(Contains(r.err, "Usage: tessavox-cli")) << r.err;
        EXPECT_EQ(r.out, "");
    }

    const CliResult help = RunCli({"info", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, "Usage: tessavox-cli info FILE.tvx [--json]"));

    // After "--" a name that looks like an option is a file name.
    const CliResult dashed = RunCli({"info", "--", "--json"});
    EXPECT_EQ(dashed.status, 1);
    EXPECT_EQ(dashed.err, "tessavox-cli info: --json: No such file or directory\n");
}
