#include <gtest/gtest.h>

#include <fstream>

#include "cli/CliRunner.h"
#include "support/MediaProbe.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"
#include "text/Utf8.h"

namespace {

const std::string kLyrics = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.txt";

// The demo song with its synthesized tune, in the test's folder.
std::string DemoWithMusic(const TempDir& dir)
{
    const std::string project = dir.File("twinkle.tvx");
    const CliResult made = RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH, {kLyrics, project, dir.File("twinkle.wav")});
    EXPECT_EQ(made.status, 0) << made.Output();
    return project;
}

} // namespace

TEST(ExportCommand, ZipsTheMp3TheCdgAndTheLrcOfTheDemoSong)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp")); // where the run's private work folder would go
    const std::string project = DemoWithMusic(dir);
    const std::string zip = dir.File("out/song.zip");
    std::filesystem::create_directories(dir.File("out"));
    const CliResult run = RunCli({"export", project, "-o", zip, "--lrc", "simple", "--kbps", "96"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const CliResult list = RunProgram("unzip", {"-Z1", zip});
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "song.mp3\nsong.cdg\nsong.lrc\n");
    // Only the archive is left in the chosen folder.
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.File("out"))) ++files;
    EXPECT_EQ(files, 1u);

    const CliResult lrc = RunProgram("unzip", {"-p", zip, "song.lrc"});
    EXPECT_NE(lrc.out.find("[ti:Twinkle, Twinkle, Little Star]\r\n"), std::string::npos);
    EXPECT_EQ(lrc.out.find('<'), std::string::npos); // simple form: no word times
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp")));
}

// The demo's title page needs a lead-in; its credits page is held 2 s and then stays 2 s more.
// The music is shorter than the stream, so the sound lasts as long as the stream and no longer:
// the lead-in is silence before the music and must not be counted again at the end.
TEST(ExportCommand, ASongWithATitlePageEndsWithItsCreditsNotWithSilence)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = DemoWithMusic(dir);
    const CliResult run = RunCli({"export", project, "-o", dir.File("song.mp3")});
    ASSERT_EQ(run.status, 0) << run.Output();
    const std::vector<uint8_t> stream = ReadFileBytes(dir.File("song.cdg"));
    size_t lastDrawn = 0;
    for (size_t p = 0; p + 24 <= stream.size(); p += 24)
        if ((stream[p] & 0x3F) == 9) lastDrawn = p / 24;
    const double sound = std::stod(ProbeEntry(dir.File("song.mp3"), "format=duration"));
    EXPECT_NEAR(sound - double(lastDrawn) / 300, 4.0, 0.1) << run.Output();
    EXPECT_NEAR(sound, double(stream.size()) / 24 / 300, 0.05);
}

TEST(ExportCommand, WritesABinOfWholeSectorsAndRefusesWhatItCannotDo)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp")); // where the run's private work folder would go
    const std::string project = DemoWithMusic(dir);
    const std::string bin = dir.File("song.bin");
    CliResult run = RunCli({"export", project, "-o", bin});
    ASSERT_EQ(run.status, 0) << run.Output();
    const auto size = std::filesystem::file_size(bin);
    EXPECT_EQ(size % 2448, 0u);
    // At least the lead-in and the music: 75 sectors a second.
    EXPECT_GT(size, 2448u * 75 * 70);

    run = RunCli({"export", project, "-o", dir.File("song.ogg")});
    EXPECT_EQ(run.status, 2);
    run = RunCli({"export", std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx", "-o", dir.File("x.wma")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the project has no music"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.wma")));
}

TEST(ExportCommand, TheTypeTheExtensionAndTheBitRateMustAgree)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = DemoWithMusic(dir);
    const std::string out = dir.File("karaoke.zip");
    // A .zip is always a ZIP, of the type asked for.
    CliResult run = RunCli({"export", project, "--type", "wmag", "--bitrate", "96", "-o", out, "--music",
                            dir.File("twinkle.wav")});
    ASSERT_EQ(run.status, 0) << run.Output();
    const CliResult list = RunProgram("unzip", {"-Z1", out});
    EXPECT_EQ(list.out, "karaoke.wma\nkaraoke.cdg\n");
    std::filesystem::remove(out);

    struct Refused {
        std::vector<std::string> args;
        std::string why;
    };
    const std::vector<Refused> refused = {
        {{"--type", "ogg", "-o", dir.File("a.zip")}, "--type is bin, mp3g, wmag or mp4"},
        {{"--type", "mp3g", "-o", dir.File("a.wma")}, "--type mp3g writes a .mp3 or a .zip file"},
        {{"--type", "wmag", "-o", dir.File("a.mp3")}, "--type wmag writes a .wma or a .zip file"},
        {{"--type", "bin", "-o", dir.File("a.zip")}, "--type bin writes a .bin file"},
        {{"--zip", "-o", dir.File("a.mp3")}, "--zip writes a ZIP file: the output must end in .zip"},
        {{"-o", dir.File("a.ogg")}, "the output must end in .bin, .mp3, .wma, .mp4 or .zip"},
        {{"--bitrate", "100", "-o", dir.File("a.zip")},
         "MP3 bit rates are 320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32"},
        {{"--bitrate", "144", "-o", dir.File("a.mp3")}, "MP3 bit rates are 320,"},
        {{"--type", "wmag", "--bitrate", "999", "-o", dir.File("a.zip")}, "WMA bit rates are 192, 160, 128, 96"},
        {{"--bitrate", "128", "-o", dir.File("a.bin")}, "--bitrate is for MP3+G and WMA+G exports"},
    };
    for (const Refused& r : refused) {
        std::vector<std::string> args = {"export", project};
        args.insert(args.end(), r.args.begin(), r.args.end());
        run = RunCli(args);
        EXPECT_EQ(run.status, 2) << r.why;
        EXPECT_NE(run.err.find(r.why), std::string::npos) << run.err;
    }

    // Without the MP3 encoder a .zip is an error that names the package, never a quiet WMA+G.
    ::setenv("TESSAVOX_LAME_LIBRARY", dir.File("no-such-lame.so").c_str(), 1);
    run = RunCli({"export", project, "-o", out});
    ::unsetenv("TESSAVOX_LAME_LIBRARY");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Debian package libmp3lame0"), std::string::npos) << run.err;

    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(e.path().filename() == "twinkle.tvx" || e.path().filename() == "twinkle.wav" ||
                    e.path().filename() == "tmp")
            << e.path();
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("tmp")));
}

// A WAV used where it lies is as long in every export whatever its frames take: mono and 8-bit
// music is neither stretched with silence nor cut.
TEST(ExportCommand, AWavOfAnyChannelsAndSampleSizeExportsAtItsOwnLength)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string lyrics = dir.File("words.lrc");
    const std::string text = "[00:00.50]one two\n[00:01.50]three four\n";
    WriteFileBytes(lyrics, std::vector<uint8_t>(text.begin(), text.end()));
    std::string stereo16Mp3, stereo16Bin;
    for (const auto& [bits, channels] : {std::pair{16, 2}, {16, 1}, {8, 2}, {8, 1}}) {
        const std::string name = dir.File("t" + std::to_string(bits) + "-" + std::to_string(channels));
        const CliResult made = RunProgram("sox", {"-n", "-r", "44100", "-b", std::to_string(bits), "-c",
                                                  std::to_string(channels), name + ".wav", "synth", "5", "sine", "440"});
        ASSERT_EQ(made.status, 0) << made.Output();
        ASSERT_EQ(RunCli({"new", "-o", name + ".tvx", "--music", name + ".wav", "--lyrics", lyrics}).status, 0);
        for (const char* ext : {".mp3", ".bin"}) {
            const CliResult run = RunCli({"export", name + ".tvx", "-o", name + ext});
            ASSERT_EQ(run.status, 0) << name << ext << ": " << run.Output();
        }
        const std::string mp3 = ProbeEntry(name + ".mp3", "format=duration");
        const std::string bin = std::to_string(std::filesystem::file_size(name + ".bin"));
        if (stereo16Mp3.empty()) {
            stereo16Mp3 = mp3;
            stereo16Bin = bin;
            EXPECT_LT(std::stod(mp3), 8.0) << mp3; // the music, a lead-in and the words' end
        }
        EXPECT_EQ(mp3, stereo16Mp3) << bits << "-bit, " << channels << " channels";
        EXPECT_EQ(bin, stereo16Bin) << bits << "-bit, " << channels << " channels";
    }
}

// A song in Russian and French: the LRC is UTF-8 that ffmpeg reads line for line (or
// Windows-1252 when asked), the MP3's tags keep every character, and a ZIP made under a file name
// that is not UTF-8 lists in Python.
TEST(ExportCommand, EveryCharacterReachesTheLrcTheTagsAndTheZip)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const CliResult tune = RunProgram("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=330:duration=9",
                                                  "-ac", "2", "-ar", "44100", dir.File("tune.wav")});
    ASSERT_EQ(tune.status, 0) << tune.Output();
    std::ofstream(dir.File("words.lrc"), std::ios::binary) << "[00:01.00]\u041a\u0430\u043b\u0438\u043d\u043a\u0430 \u043c\u043e\u044f\n"
                                     "[00:03.00]\u00ab Caf\u00e9 \u00bb \u2019 \u20ac \u2014 fin\n"
                                     "[00:05.00]Last line\n";
    const std::string project = dir.File("song.tvx");
    const std::string title = "Caf\u00e9 \u2019\u20ac\u2014 \u041f\u0435\u0441\u043d\u044f", artist = "\u0411\u0430\u043d\u0434\u0430";
    ASSERT_EQ(RunCli({"new", "-o", project, "--music", dir.File("tune.wav"), "--lyrics", dir.File("words.lrc"),
                      "--title", title, "--artist", artist})
                  .status,
              0);

    const CliResult run = RunCli({"export", project, "-o", dir.File("song.mp3"), "--lrc", "enhanced"});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(ProbeEntry(dir.File("song.mp3"), "format_tags=title"), title);
    EXPECT_EQ(ProbeEntry(dir.File("song.mp3"), "format_tags=artist"), artist);
    const std::vector<uint8_t> lrc = ReadFileBytes(dir.File("song.lrc"));
    EXPECT_TRUE(IsValidUtf8(std::string(lrc.begin(), lrc.end())));
    const CliResult lines = RunProgram("ffmpeg", {"-loglevel", "error", "-i", dir.File("song.lrc"), "-f", "srt", "-"});
    ASSERT_EQ(lines.status, 0) << lines.Output();
    size_t events = 0;
    for (size_t at = lines.out.find("-->"); at != std::string::npos; at = lines.out.find("-->", at + 3)) ++events;
    EXPECT_EQ(events, 3u) << lines.out;
    for (const char* word : {"\u041a\u0430\u043b\u0438\u043d\u043a\u0430", "\u00ab", "Caf\u00e9", "\u20ac", "\u2014", "Last"})
        EXPECT_NE(lines.out.find(word), std::string::npos) << word << " in " << lines.out;

    const CliResult old =
        RunCli({"export", project, "-o", dir.File("old.mp3"), "--lrc", "simple", "--lrc-encoding", "windows-1252"});
    ASSERT_EQ(old.status, 0) << old.Output();
    const std::vector<uint8_t> oldLrc = ReadFileBytes(dir.File("old.lrc"));
    const std::string oldText(oldLrc.begin(), oldLrc.end());
    EXPECT_NE(oldText.find("\xAB Caf\xE9 \xBB \x92 \x80 \x97 fin"), std::string::npos);
    EXPECT_NE(oldText.find("??????? ???"), std::string::npos);

    const std::string latin1Zip = dir.File("caf\xE9.zip");
    ASSERT_EQ(RunCli({"export", project, "-o", latin1Zip}).status, 0);
    const CliResult listed = RunProgram("python3", {"-c", "import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).namelist())",
                                                   latin1Zip});
    ASSERT_EQ(listed.status, 0) << listed.Output();
    EXPECT_NE(listed.out.find("caf\u00e9.cdg"), std::string::npos) << listed.out;
}

TEST(ExportCommand, QuietSaysNothingOnSuccessAndProgressNeverRunsIntoAResult)
{
    TempDir dir;
    const std::string demo = DemoWithMusic(dir);
    // Quiet: no result line, before or after the command; the asked-for report still comes.
    CliResult run = RunCli({"-q", "export", demo, "-o", dir.File("a.bin")});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(run.Output(), "");
    run = RunCli({"stream", demo, "--quiet", "-o", dir.File("a.cdg")});
    EXPECT_EQ(run.Output(), "");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(RunCli({"info", demo, "-q"}).out.find("Twinkle"), std::string::npos);
    // A failure still says why, quiet or not.
    run = RunCli({"--quiet", "stream", dir.File("missing.tvx"), "-o", dir.File("b.cdg")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.tvx: No such file or directory"), std::string::npos) << run.err;
    // "help help" is the general usage.
    run = RunCli({"help", "help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, RunCli({"--help"}).out);

    // On a terminal the progress line is ended before the result is printed ("100%" and the
    // ZIP's name never share a line); verbose shows the progress in a pipe as whole lines.
    const std::string zip = dir.File("b.zip");
    run = RunProgram("script", {"-qec", "\"" + std::string(TESSAVOX_CLI_PATH) + "\" export \"" + demo + "\" -o \"" + zip + "\"",
                                "/dev/null"});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(run.out.find("Compressing Audio... 100%\r\n" + zip + "\r\n"), std::string::npos) << run.out;
    run = RunCli({"export", demo, "-o", dir.File("c.zip"), "-v"});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(run.err.find("Compressing Audio...   0%\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Compressing Audio... 100%\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("tessavox-cli export: done in "), std::string::npos) << run.err;
}
