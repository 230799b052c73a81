// What the command-line tool may write: never one of the song's own files (as named, through a
// link, or as a second name of the same file), an existing output only with --force, an MP3+G
// pair with its .cdg and .lrc only as a whole set, and no karaoke of lyrics never timed.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "support/MusicFiles.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr uintmax_t kTmpfsPage = 4096;

void WriteText(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Sha256(const std::string& path)
{
    const CliResult sum = RunProgram("sha256sum", {path});
    EXPECT_EQ(sum.status, 0) << sum.Output();
    return sum.out.substr(0, 64);
}

// A timed song in folder: an MP3 of its own pitch and length, an LRC file with its own words.
std::string MakeSong(const std::string& folder, const std::string& name, double seconds, const std::string& words)
{
    const std::string music = MakeMusic(folder, name + ".mp3", int64_t(seconds * kRate), kRate, 2,
                                        "-c:a libmp3lame -b:a 128k");
    WriteText(folder + "/" + name + ".lrc", "[00:00.50]" + words + "\n[00:01.50]second line of " + name + "\n");
    const std::string project = folder + "/" + name + ".tvx";
    const CliResult made = RunCli({"new", "-o", project, "--music", music, "--lyrics", folder + "/" + name + ".lrc"});
    EXPECT_EQ(made.status, 0) << made.Output();
    return project;
}

// The SHA-256 of the members of the pair named stem (stem.mp3, stem.cdg, stem.lrc) that exist.
std::map<std::string, std::string> SetPrints(const std::string& stem)
{
    std::map<std::string, std::string> prints;
    for (const char* ext : {".mp3", ".cdg", ".lrc"})
        if (fs::exists(stem + ext)) prints[ext] = Sha256(stem + ext);
    return prints;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

uintmax_t PagesOf(uintmax_t bytes)
{
    return (bytes + kTmpfsPage - 1) / kTmpfsPage * kTmpfsPage;
}

} // namespace

TEST(OutputGate, TheSongsOwnFilesAreNeverWrittenAndOutputsAreReplacedOnlyWithForce)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string folder = dir.Path().string();
    const std::string project = MakeSong(folder, "song", 3, "first line of song");
    const std::string music = folder + "/song.mp3", lyrics = folder + "/song.lrc";
    // A second song plays its WAV where it lies.
    const std::string wav = MakeMusic(folder, "tone.wav", 2 * kRate, kRate, 2);
    const std::string wavProject = folder + "/tone.tvx";
    ASSERT_EQ(RunCli({"new", "-o", wavProject, "--music", wav, "--lyrics", lyrics}).status, 0);
    fs::create_symlink("song.mp3", folder + "/link.mp3");
    fs::create_symlink("tone.wav", folder + "/tone-link.mp3");
    fs::create_symlink("song.tvx", folder + "/link.png");
    fs::create_symlink("song.mp3", folder + "/music-link.tvx");
    fs::create_symlink("song.mp3", folder + "/link.mp3.tvx");
    fs::create_hard_link(folder + "/song.wav", folder + "/second.wav");
    fs::create_hard_link(music, folder + "/second.mp3");
    const std::map<std::string, std::string> before = {
        {music, Sha256(music)}, {lyrics, Sha256(lyrics)}, {project, Sha256(project)}, {wav, Sha256(wav)}};

    struct Refused {
        std::vector<std::string> args;
        std::string named; // the file the refusal names
        std::string why;
    };
    const std::vector<Refused> refused = {
        // The usual name of a pair is the music's own, here the MP3 that song.wav was decoded from.
        {{"export", project, "-o", music, "--lrc", "enhanced"}, music, "is the song's music"},
        {{"export", project, "-o", folder + "/second.mp3"}, folder + "/second.mp3", "is the song's music"},
        {{"export", wavProject, "-o", folder + "/link.mp3", "--music", music}, folder + "/link.mp3",
         "is the music this export plays"},
        {{"stream", project, "-o", folder + "/second.wav"}, folder + "/second.wav", "is the song's music"},
        {{"stream", project, "-o", project}, project, "is the song's project file"},
        {{"stream", wavProject, "-o", wav}, wav, "is the song's music"},
        {{"encode", wav, "-o", folder + "/tone-link.mp3"}, folder + "/tone-link.mp3", "is the work file being encoded"},
        {{"page", project, "--kind", "title", "-o", folder + "/link.png"}, folder + "/link.png",
         "is the song's project file"},
        {{"waveform", project, "--from", "0", "--to", "1", "-o", folder + "/link.png"}, folder + "/link.png",
         "is the song's project file"},
        {{"align", project, "-o", folder + "/music-link.tvx"}, folder + "/music-link.tvx", "is the song's music"},
        {{"align", wavProject, "--vocals", music, "-o", folder + "/link.mp3.tvx"}, folder + "/link.mp3.tvx",
         "is the song's vocal track"},
    };
    for (const Refused& r : refused) {
        for (const bool force : {false, true}) {
            std::vector<std::string> args = r.args;
            if (force) args.push_back("--force");
            const CliResult run = RunCli(args);
            EXPECT_EQ(run.status, 1) << args[0] << " -o " << r.named << ": " << run.Output();
            EXPECT_NE(run.err.find("\"" + r.named + "\" " + r.why), std::string::npos) << run.err;
        }
    }
    for (const auto& [path, print] : before) EXPECT_EQ(Sha256(path), print) << path;
    EXPECT_TRUE(fs::is_symlink(folder + "/link.mp3"));

    // An output that exists, here a lyric file of the user's that the pair's LRC would replace,
    // is kept without --force, and the pair is not half made.
    WriteText(folder + "/other.lrc", "the user's own words\n");
    const std::string otherLrc = Sha256(folder + "/other.lrc");
    CliResult run = RunCli({"export", project, "-o", folder + "/other.mp3", "--lrc", "enhanced"});
    EXPECT_EQ(run.status, 1) << run.Output();
    EXPECT_NE(run.err.find("\"" + folder + "/other.lrc\" already exists; --force replaces it."), std::string::npos)
        << run.err;
    EXPECT_EQ(Sha256(folder + "/other.lrc"), otherLrc);
    EXPECT_FALSE(fs::exists(folder + "/other.mp3"));
    run = RunCli({"export", project, "-o", folder + "/other.mp3", "--lrc", "enhanced", "--force"});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(Sha256(folder + "/other.lrc"), otherLrc);
    // Through a link, the file it leads to is written and the link stays a link.
    fs::create_symlink("other.mp3", folder + "/via.mp3");
    run = RunCli({"export", project, "-o", folder + "/via.mp3", "--force"});
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_TRUE(fs::is_symlink(folder + "/via.mp3"));
    for (const auto& [path, print] : before) EXPECT_EQ(Sha256(path), print) << path;

    // A folder given as music, and a folder that cannot be written, are blamed as what they are.
    fs::create_directories(folder + "/album.mp3");
    run = RunCli({"new", "-o", folder + "/album.tvx", "--music", folder + "/album.mp3"});
    EXPECT_EQ(run.status, 1) << run.Output();
    EXPECT_NE(run.err.find("\"" + folder + "/album.mp3\" is a folder, not a music file."), std::string::npos) << run.err;
    if (RunProgram("unshare", {"-rm", "true"}).status == 0) {
        fs::create_directories(folder + "/sealed");
        const std::string script = "mount -t tmpfs -o ro tmpfs \"$1\" && exec \"$2\" new -o \"$1\"/x.tvx --music \"$3\"";
        run = RunProgram("unshare", {"-rm", "sh", "-c", script, "sh", folder + "/sealed", TESSAVOX_CLI_PATH, music});
        EXPECT_EQ(run.status, 1) << run.Output();
        EXPECT_NE(run.err.find("Cannot write in the folder \"" + folder + "/sealed\": Read-only file system"),
                  std::string::npos)
            << run.err;
    }

    // Lyrics that were never timed make a blank screen: refused, naming how many lines.
    WriteText(folder + "/plain.txt", "one line\nanother line\nand a third\n");
    run = RunCli({"new", "-o", folder + "/plain.tvx", "--music", music, "--lyrics", folder + "/plain.txt"});
    ASSERT_EQ(run.status, 0) << run.Output();
    run = RunCli({"export", folder + "/plain.tvx", "-o", folder + "/plain.mp3"});
    EXPECT_EQ(run.status, 1) << run.Output();
    EXPECT_NE(run.err.find("none of the song's 3 lyric lines is placed"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--allow-untimed"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder + "/plain.mp3"));
    run = RunCli({"export", folder + "/plain.tvx", "-o", folder + "/plain.mp3", "--allow-untimed"});
    EXPECT_EQ(run.status, 0) << run.Output();
}

// A disk that fills while a pair is exported over an older pair: the older pair is as it was,
// and nothing of the new one is left. The disk is a small tmpfs in a mount namespace of the
// test's own.
TEST(OutputGate, ADiskFullInTheMiddleOfAPairLeavesTheOldPairWhole)
{
    if (RunProgram("unshare", {"-rm", "true"}).status != 0) GTEST_SKIP() << "no mount namespace here";
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string folder = dir.Path().string();
    const std::string songA = MakeSong(folder, "a", 2, "words of a");
    const std::string songB = MakeSong(folder, "b", 6, "words of b");
    fs::create_directories(folder + "/ref");
    for (const auto& [project, stem] : {std::pair{songA, "/ref/a"}, std::pair{songB, "/ref/b"}}) {
        const CliResult run = RunCli({"export", project, "-o", folder + stem + ".mp3", "--lrc", "enhanced"});
        ASSERT_EQ(run.status, 0) << run.Output();
    }
    uintmax_t setA = 0;
    for (const char* ext : {".mp3", ".cdg", ".lrc"}) setA += PagesOf(fs::file_size(folder + "/ref/a" + ext));
    const uintmax_t mp3B = PagesOf(fs::file_size(folder + "/ref/b.mp3"));
    const uintmax_t lrcB = PagesOf(fs::file_size(folder + "/ref/b.lrc"));
    const uintmax_t cdgB = PagesOf(fs::file_size(folder + "/ref/b.cdg"));
    const auto oldSet = SetPrints(folder + "/ref/a");

    // Room for the old pair and half the new audio; then for all of it but half the stream.
    for (const uintmax_t room : {setA + mp3B / 2, setA + mp3B + lrcB + cdgB / 2}) {
        const std::string disk = folder + "/disk";
        fs::create_directories(disk);
        const std::string script =
            "mount -t tmpfs -o size=" + std::to_string(room) + " tmpfs \"$1\" && cp \"$2\"/a.mp3 \"$1\"/x.mp3 && "
            "cp \"$2\"/a.cdg \"$1\"/x.cdg && cp \"$2\"/a.lrc \"$1\"/x.lrc || exit 99\n"
            "\"$3\" export \"$4\" -o \"$1\"/x.mp3 --lrc enhanced --force; echo \"status=$?\"\n"
            "cd \"$1\" && ls -A && sha256sum x.mp3 x.cdg x.lrc";
        const CliResult run = RunProgram("unshare", {"-rm", "sh", "-c", script, "sh", disk, folder + "/ref",
                                                     TESSAVOX_CLI_PATH, songB});
        ASSERT_EQ(run.status, 0) << run.Output();
        EXPECT_NE(run.out.find("status=1\n"), std::string::npos) << "room " << room << ": " << run.Output();
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
        // Only the old pair, nothing hidden, every byte as before.
        EXPECT_NE(run.out.find("status=1\nx.cdg\nx.lrc\nx.mp3\n"), std::string::npos) << run.out;
        for (const auto& [ext, print] : oldSet) EXPECT_NE(run.out.find(print + "  x" + ext), std::string::npos) << ext;
        fs::remove_all(disk);
    }
}

// Two runs exporting two songs to one name at the same time: whatever is on disk afterwards is
// one song's pair, never the audio of one beside the stream or words of the other.
TEST(OutputGate, TwoRunsExportingToOneNameLeaveOneSongsPair)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string folder = dir.Path().string();
    const std::string songA = MakeSong(folder, "a", 2, "words of a");
    const std::string songB = MakeSong(folder, "b", 2.5, "words of b");
    std::map<std::string, std::string> refA, refB;
    for (const auto& [project, ref] : {std::pair{songA, &refA}, std::pair{songB, &refB}}) {
        const std::string stem = folder + "/ref-" + fs::path(project).stem().string();
        const CliResult run = RunCli({"export", project, "-o", stem + ".mp3", "--lrc", "enhanced"});
        ASSERT_EQ(run.status, 0) << run.Output();
        *ref = SetPrints(stem);
    }
    ASSERT_EQ(refA.size(), 3u);
    ASSERT_NE(refA, refB);

    // Runs that wrote straight to the names would mix their pairs in the first round; a few
    // rounds let the two finish in either order.
    constexpr int kRounds = 6;
    const std::string target = folder + "/x.mp3";
    for (int round = 0; round < kRounds; ++round) {
        auto first = std::async(std::launch::async, [&] {
            return RunCli({"export", songA, "-o", target, "--lrc", "enhanced", "--force"});
        });
        const CliResult second = RunCli({"export", songB, "-o", target, "--lrc", "enhanced", "--force"});
        const CliResult one = first.get();
        ASSERT_EQ(one.status, 0) << one.Output();
        ASSERT_EQ(second.status, 0) << second.Output();
        const auto onDisk = SetPrints(folder + "/x");
        ASSERT_TRUE(onDisk == refA || onDisk == refB) << "round " << round << ": a mixed pair";
    }
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"a.lrc", "a.mp3", "a.tvx", "a.wav", "b.lrc", "b.mp3", "b.tvx", "b.wav",
                                                       "ref-a.cdg", "ref-a.lrc", "ref-a.mp3", "ref-b.cdg",
                                                       "ref-b.lrc", "ref-b.mp3", "tmp", "x.cdg", "x.lrc", "x.mp3"}));
}
