#include <gtest/gtest.h>

#include "cli/CliRunner.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

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
    ScopedTempFolder temp(dir.File("tmp")); // the lengthened work copy of the music goes here
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
}

TEST(ExportCommand, WritesABinOfWholeSectorsAndRefusesWhatItCannotDo)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp")); // the lengthened work copy of the music goes here
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

TEST(ExportCommand, TheTypeFlagsDecideOverTheExtension)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = DemoWithMusic(dir);
    const std::string out = dir.File("karaoke.zip");
    const CliResult run = RunCli({"export", project, "--type", "wmag", "--zip", "--bitrate", "96", "-o", out, "--music",
                                  dir.File("twinkle.wav")});
    ASSERT_EQ(run.status, 0) << run.Output();
    const CliResult list = RunProgram("unzip", {"-Z1", out});
    EXPECT_EQ(list.out, "karaoke.wma\nkaraoke.cdg\n");
    const CliResult bad = RunCli({"export", project, "--type", "ogg", "-o", out});
    EXPECT_EQ(bad.status, 2);
}
