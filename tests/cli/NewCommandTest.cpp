#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "project/ProjectFile.h"
#include "cli/JsonValue.h"
#include "cli/ScriptSongs.h"
#include "media/ByteOrder.h"
#include "project/KaraokeSong.h"
#include "project/SettingsBlock.h"
#include "support/MusicFiles.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Names(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

const char* const kLrc = "[ti:Morning]\n[ar:The Larks]\n[00:01.00]Wake up now\n[00:02.50]Sun is high\n";

} // namespace

TEST(NewCommand, DecodesTheMusicBesideTheProjectAndTakesTheLrcTimesAndTags)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", 4 * kRate, kRate, 2);
    WriteText(dir.File("words.lrc"), kLrc);
    const std::string project = dir.File("song.tvx");

    const CliResult r = RunCli({"new", "-o", project, "--music", mp3, "--lyrics", dir.File("words.lrc")});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_TRUE(Contains(r.out, project)) << r.out;
    EXPECT_TRUE(Contains(r.out, "decoded from " + mp3)) << r.out;
    // Not a terminal: no progress line.
    EXPECT_FALSE(Contains(r.err, "Decompressing")) << r.err;
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"song.tvx", "song.wav", "tune.mp3", "words.lrc"}));

    const auto wav = ReadFileBytes(dir.File("song.wav"));
    ASSERT_GT(wav.size(), 44u);
    const uint32_t data = GetLe32(&wav[40]);
    ASSERT_GE(wav.size(), 44u + data);
    EXPECT_EQ(std::vector<uint8_t>(wav.begin() + 44, wav.begin() + 44 + data), FfmpegPcm(mp3));

    // The project plays from the work file, so it loads with that music counted.
    KaraokeSong song(project);
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.musicPath, dir.File("song.wav"));
    EXPECT_EQ(song.musicDataBytes, data);
    EXPECT_EQ(song.title, "Morning");
    EXPECT_EQ(song.artist, "The Larks");
    ASSERT_GE(song.LineCount(), 2u);
    ASSERT_EQ(song.lines[1]->words.size(), 3u);
    EXPECT_TRUE(song.lines[0]->placed);
    EXPECT_EQ(song.lines[0]->words[0]->start, 100u * 441u);
    EXPECT_EQ(song.lines[1]->words[0]->start, 250u * 441u);
    EXPECT_EQ(song.lines[1]->text, "Sun is high");
}

TEST(NewCommand, UsesAWavWhereItLiesAndTakesTitleAndArtistFromTheCommandLine)
{
    TempDir dir;
    const std::string wav = MakeMusic(dir.Path().string(), "Take One.WAV", kRate, kRate, 1, "-c:a pcm_u8");
    const auto before = ReadFileBytes(wav);
    WriteText(dir.File("words.lrc"), kLrc);
    const std::string project = dir.File("take.tvx");

    const CliResult r = RunCli({"new", "--music", wav, "--lyrics", dir.File("words.lrc"), "-o", project, "--title",
                                "Caf\xC3\xA9 Song", "--artist", "Zo\xC3\xAB"});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_FALSE(fs::exists(dir.File("take.wav")));
    KaraokeSong song(project);
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.musicPath, wav);
    EXPECT_EQ(song.musicDataBytes, uint32_t(kRate));
    EXPECT_EQ(song.title, "Caf\u00e9 Song");
    EXPECT_EQ(song.artist, "Zo\u00eb");

    // Writing the stream lengthens the music to cover it, as silence read after the file:
    // the user's WAV is not written, and the run leaves no work file behind.
    const char* oldTemp = std::getenv("TMPDIR");
    const std::string savedTemp = oldTemp ? oldTemp : "";
    fs::create_directory(dir.File("tmp"));
    ::setenv("TMPDIR", dir.File("tmp").c_str(), 1);
    const CliResult stream = RunCli({"stream", project, "-o", dir.File("take.cdg")});
    if (oldTemp)
        ::setenv("TMPDIR", savedTemp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    ASSERT_EQ(stream.status, 0) << stream.Output();
    EXPECT_EQ(ReadFileBytes(wav), before);
    EXPECT_TRUE(fs::is_empty(dir.File("tmp")));
}

TEST(NewCommand, MusicThatCannotBeUsedFailsWithTheSystemsTextAndWritesNothing)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    WriteFileBytes(dir.File("fake.mp3"), std::vector<uint8_t>(3000, 'z'));
    WriteFileBytes(dir.File("fake.wav"), std::vector<uint8_t>(3000, 'z'));
    const auto existing = Names(dir);

    struct Case {
        std::string music;
        std::string text;
    };
    const Case cases[] = {
        {dir.File("missing.mp3"), "File not found\n"},
        {dir.File("fake.wav"), "Error opening Audio File\nInput file is corrupt or not a WAV file\n"},
        {dir.File("fake.mp3"),
         "Could not open the specified file: \"" + dir.File("fake.mp3") + "\" is not a music file, or it is damaged\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.music);
        const CliResult r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", c.music});
        EXPECT_EQ(r.status, 1) << r.Output();
        EXPECT_TRUE(Contains(r.err, "There is a problem with the selected audio file:\n\n" + c.text)) << r.err;
        EXPECT_EQ(Names(dir), existing);
    }
}

TEST(NewCommand, ConvertsMusicInAnotherFormatBesideTheProjectAndSaysSo)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    const std::string mp3 = MakeMusic(folder, "voice.mp3", 48000 * 2, 48000, 1);
    const auto before = ReadFileBytes(mp3);
    const CliResult r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", mp3});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_EQ(r.err, "tessavox-cli new: " + mp3 + ": Converted from 48,000 Hz mono to 44,100 Hz stereo.\n");
    EXPECT_TRUE(Contains(r.out, "(44100 Hz, 16-bit, stereo, 2.00 s), decoded from " + mp3)) << r.out;
    EXPECT_EQ(ReadFileBytes(mp3), before);

    // A WAV at 48,000 Hz named as the work file would be: --force may replace the project but
    // never the music it is made from.
    const std::string wav = MakeMusic(folder, "take.wav", 4800, 48000, 2, "-c:a pcm_s16le");
    const auto wavBytes = ReadFileBytes(wav);
    const CliResult self = RunCli({"new", "-o", dir.File("take.tvx"), "--music", wav, "--force"});
    EXPECT_EQ(self.status, 1) << self.Output();
    EXPECT_TRUE(Contains(self.err, "The music would be converted into itself")) << self.err;
    EXPECT_EQ(ReadFileBytes(wav), wavBytes);
    EXPECT_FALSE(fs::exists(dir.File("take.tvx")));
}

TEST(NewCommand, ABadLyricFileOrAMissingFolderStopsBeforeAnythingIsWritten)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", kRate, kRate, 2);
    const auto existing = Names(dir);
    CliResult r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", mp3, "--lyrics", dir.File("gone.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Error: Unable to open lyric file.")) << r.err;
    EXPECT_EQ(Names(dir), existing);

    r = RunCli({"new", "-o", dir.File("later/song.tvx"), "--music", mp3});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "The folder of \"" + dir.File("later/song.tvx") + "\" does not exist.")) << r.err;
    EXPECT_EQ(Names(dir), existing);
}

TEST(NewCommand, UsageErrorsExitWithTwo)
{
    TempDir dir;
    const std::string song = dir.File("song.tvx");
    const std::vector<std::vector<std::string>> bad = {
        {"new"},
        {"new", "-o", song},
        {"new", "--music", dir.File("a.mp3")},
        {"new", "-o", dir.File("song.wav"), "--music", dir.File("a.mp3")},
        {"new", "-o", song, "--music", dir.File("a.mp3"), "--lyrics", dir.File("words.doc")},
        {"new", "-o", song, "--music", dir.File("a.mp3"), "--tempo", "2"},
        {"new", "-o", song, "--music"},
    };
    for (const auto& args : bad) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << args.size() << ": " << r.Output();
        EXPECT_TRUE(Contains(r.err, "Usage: tessavox-cli new")) << r.err;
    }
    EXPECT_TRUE(Names(dir).empty());
    const CliResult help = RunCli({"new", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Contains(help.out, "Usage: tessavox-cli new"));
}

TEST(NewCommand, NeverReplacesAProjectOrAWorkFileUnlessForced)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", kRate, kRate, 2);
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};

    // A WAV of the user's own where the work file would go.
    WriteFileBytes(dir.File("song.wav"), mine);
    CliResult r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", mp3});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, dir.File("song.wav") + "\" already exists")) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.File("song.wav")), mine);
    EXPECT_FALSE(fs::exists(dir.File("song.tvx")));

    WriteFileBytes(dir.File("song.tvx"), mine);
    fs::remove(dir.File("song.wav"));
    r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", mp3});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("song.tvx")), mine);
    EXPECT_FALSE(fs::exists(dir.File("song.wav")));

    r = RunCli({"new", "-o", dir.File("song.tvx"), "--music", mp3, "--force"});
    ASSERT_EQ(r.status, 0) << r.Output();
    KaraokeSong song(dir.File("song.tvx"));
    EXPECT_TRUE(LoadProject(song));
    EXPECT_EQ(song.musicPath, dir.File("song.wav"));
}

TEST(NewCommand, ShowsItsProgressOnATerminal)
{
    if (RunProgram("script", {"--version"}).status != 0) GTEST_SKIP() << "no script(1) to give the program a terminal";
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", 3 * kRate, kRate, 2);
    const std::string command = std::string("'") + TESSAVOX_CLI_PATH + "' new -o '" + dir.File("song.tvx") +
                                "' --music '" + mp3 + "'";
    const CliResult r = RunProgram("script", {"-qec", command, "/dev/null"});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_TRUE(Contains(r.out, "\rDecompressing Audio...   0%")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\rDecompressing Audio...  50%")) << r.out;
    EXPECT_TRUE(Contains(r.out, "\rDecompressing Audio... 100%")) << r.out;
}

TEST(NewCommand, LyricsInEveryScriptComeBackExactlyAndOnlyTheyNeedTheNewerProject)
{
    TempDir dir;
    const std::string wav = MakeMusic(dir.Path().string(), "tune.wav", 12 * kRate, kRate, 2, "-c:a pcm_s16le");
    std::vector<std::string> lines;
    for (const ScriptLine& line : EveryScriptLine()) lines.push_back(line.text);
    std::string lrc = "[ti:\u304b\u3048\u308b\u306e\u3046\u305f]\n[ar:\u0411\u0430\u043d\u0434\u0430 \u2013 \u00e9]\n";
    std::string expected;
    for (size_t i = 0; i < lines.size(); ++i) {
        lrc += "[00:0" + std::to_string(i + 1) + ".00]" + lines[i] + "\n";
        expected += (i ? "\r\n" : "") + lines[i];
    }
    WriteText(dir.File("words.lrc"), lrc);
    const std::string project = dir.File("song.tvx");
    const CliResult r = RunCli({"new", "-o", project, "--music", wav, "--lyrics", dir.File("words.lrc")});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_FALSE(Contains(r.err, "?")) << r.err;

    // Saved in the newer format, and read back exactly, the words placed where the file timed them.
    const auto bytes = ReadFileBytes(project);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, kUnicodeProjectVersion);
    KaraokeSong song(project);
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.lyricText, expected);
    EXPECT_EQ(song.title, "\u304b\u3048\u308b\u306e\u3046\u305f");
    EXPECT_EQ(song.artist, "\u0411\u0430\u043d\u0434\u0430 \u2013 \u00e9");
    ASSERT_EQ(song.lines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(song.lines[i]->text, lines[i]);
        ASSERT_FALSE(song.lines[i]->words.empty());
        EXPECT_EQ(song.lines[i]->words[0]->start, uint32_t(i + 1) * kRate);
        const MKaraokeWord& last = *song.lines[i]->words.back();
        EXPECT_EQ(size_t(last.last) + 1, lines[i].size()) << "the last word ends with the line's last byte";
    }
    const CliResult info = RunCli({"info", "--json", project});
    ASSERT_EQ(info.status, 0) << info.Output();
    JsonValue doc;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(info.out, doc, error)) << error;
    EXPECT_EQ(doc["version"].AsInt(), kUnicodeProjectVersion);
    EXPECT_EQ(doc["title"].AsString(), song.title);
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(doc["lines"][i]["text"].AsString(), lines[i]);

    // A song whose text Windows-1252 holds is saved as before, and the same text in it both ways.
    WriteText(dir.File("west.lrc"), "[ti:Cr\u00e8me \u2013 \u20ac5]\n[00:01.00]Caf\u00e9 \u201cnoir\u201d\n");
    ASSERT_EQ(RunCli({"new", "-o", dir.File("west.tvx"), "--music", wav, "--lyrics", dir.File("west.lrc")}).status, 0);
    const auto west = ReadFileBytes(dir.File("west.tvx"));
    EXPECT_EQ(west[0] | west[1] << 8, kProjectVersion);
    const std::string old = "Caf\xE9 \x93noir\x94";
    EXPECT_NE(std::string(west.begin(), west.end()).find(old), std::string::npos);
    KaraokeSong westSong(dir.File("west.tvx"));
    ASSERT_TRUE(LoadProject(westSong));
    EXPECT_EQ(westSong.lyricText, "Caf\u00e9 \u201cnoir\u201d");
    EXPECT_EQ(westSong.title, "Cr\u00e8me \u2013 \u20ac5");
    EXPECT_EQ(SerializeProject(westSong), west);
}

TEST(NewCommand, NamesLinesTooWideForTheScreenAndWrapBreaksThem)
{
    TempDir dir;
    const std::string wav = MakeMusic(dir.Path().string(), "tune.wav", 3 * kRate, kRate, 2);
    // 40 characters: at the default 24-pixel bold face wider than the screen's 288 pixels.
    const std::string longLine = "Night light river fire forever and ever!";
    WriteText(dir.File("words.txt"), "Short line\n" + longLine + "\n");

    const std::string project = dir.File("song.tvx");
    CliResult r = RunCli({"new", "-o", project, "--music", wav, "--lyrics", dir.File("words.txt")});
    ASSERT_EQ(r.status, 0) << r.Output();
    const std::string warning = "warning: line 2 is too wide for the screen (";
    ASSERT_TRUE(Contains(r.err, warning)) << r.err;
    EXPECT_TRUE(Contains(r.err, " of 288 pixels): \"" + longLine + "\"\n")) << r.err;
    EXPECT_EQ(r.err.find("warning:"), r.err.rfind("warning:")) << r.err;

    r = RunCli({"info", project});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_TRUE(Contains(r.out, "  Line 1: page 0 slot 0, not placed, colour 12 (Singer 1)\n")) << r.out;
    EXPECT_TRUE(Contains(r.out, "  Line 2: page 0 slot 1, not placed, colour 12 (Singer 1), too wide for the screen ("))
        << r.out;
    r = RunCli({"info", "--json", project});
    ASSERT_EQ(r.status, 0) << r.Output();
    JsonValue doc;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(r.out, doc, error)) << error;
    EXPECT_TRUE(doc["lines"][0]["fits"].AsBool());
    EXPECT_FALSE(doc["lines"][1]["fits"].AsBool());
    EXPECT_GT(doc["lines"][1]["width"].AsInt(), 288);

    // The export names it too, and still exports.
    r = RunCli({"export", project, "-o", dir.File("song.bin"), "--allow-untimed"});
    EXPECT_EQ(r.status, 0) << r.Output();
    EXPECT_TRUE(Contains(r.err, warning)) << r.err;

    const std::string wrapped = dir.File("wrapped.tvx");
    r = RunCli({"new", "-o", wrapped, "--music", wav, "--lyrics", dir.File("words.txt"), "--wrap"});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_FALSE(Contains(r.err, "warning:")) << r.err;
    r = RunCli({"info", "--json", wrapped});
    ASSERT_TRUE(JsonValue::Parse(r.out, doc, error)) << error;
    const JsonValue& lines = doc["lines"];
    ASSERT_GE(lines.size(), 3u);
    std::string words;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i]["fits"].AsBool()) << lines[i]["text"].AsString();
        for (size_t w = 0; w < lines[i]["words"].size(); ++w) words += lines[i]["words"][w]["text"].AsString() + " ";
    }
    EXPECT_EQ(words, "Short line " + longLine + " ");
}
