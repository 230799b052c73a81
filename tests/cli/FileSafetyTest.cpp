// The user's files are read-only to every command: music, lyrics, projects and streams keep
// every byte. Only the outputs named on the command line and the run's own private work folder
// (gone when the run ends) are written, also when two runs work side by side or a signal stops
// one halfway; what a killed run leaves goes with the next start, and never a live run's work.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "cli/CliRunner.h"
#include "media/LeftoverSweep.h"
#include "support/MediaProbe.h"
#include "support/ScopedEnv.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

void WriteText(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A stereo sine made by ffmpeg; extra are further output options (codec, tags).
std::string MakeTone(const std::string& path, int frequency, double seconds, const std::vector<std::string>& extra = {})
{
    std::vector<std::string> args = {"-v", "error", "-y", "-f", "lavfi", "-i",
                                     "sine=frequency=" + std::to_string(frequency) + ":sample_rate=44100:duration=" +
                                         std::to_string(seconds),
                                     "-ac", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(path);
    const CliResult made = RunProgram("ffmpeg", args);
    EXPECT_EQ(made.status, 0) << made.Output();
    return path;
}

// Every file under a folder with its SHA-256, by path relative to the folder.
std::map<std::string, std::string> Fingerprints(const std::string& folder)
{
    std::map<std::string, std::string> prints;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            prints[fs::relative(entry.path(), folder).string()] = "(not a file)";
            continue;
        }
        const CliResult sum = RunProgram("sha256sum", {entry.path().string()});
        EXPECT_EQ(sum.status, 0) << sum.Output();
        prints[fs::relative(entry.path(), folder).string()] = sum.out.substr(0, 64);
    }
    return prints;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool HasHiddenFile(const std::string& folder)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().starts_with(".")) return true;
    return false;
}

bool HasNameStartingWith(const std::string& folder, const std::string& start)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().starts_with(start)) return true;
    return false;
}

// An export's scratch folder in the temporary folder holds a file: the audio is under way.
bool ScratchHoldsAFile(const std::string& tmp)
{
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(tmp, ec))
        if (e.is_regular_file(ec) && e.path().parent_path().filename().string().starts_with("tessavox-export-"))
            return true;
    return false;
}

// Ten minutes of silence: long enough to decode and to encode that a signal finds the work
// under way, quick to make.
void MakeLongSilence(const std::string& path)
{
    const CliResult made =
        RunProgram("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "600", path});
    ASSERT_EQ(made.status, 0) << made.Output();
}

// Makes everything directly in folder as old as the left-overs of an earlier day (older than
// kLeftoverMinimumAge), instead of waiting for it to become so.
void AgeNames(const std::string& folder)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(::utimensat(AT_FDCWD, entry.path().c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << entry.path();
}

// Where the command line keeps its records of temporary files under a state folder.
std::string RecordFolder(const std::string& stateHome)
{
    return stateHome + "/tessavox/temporary-files";
}

bool EmptyOrMissing(const std::string& folder)
{
    std::error_code ec;
    return !fs::exists(folder, ec) || fs::is_empty(folder, ec);
}

// The lead-in the export printed ("lead-in 3.12 s").
double LeadInSeconds(const std::string& out)
{
    const size_t at = out.find("lead-in ");
    return at == std::string::npos ? -1.0 : std::stod(out.substr(at + 8));
}

// Sign changes a second in [from, to) seconds of mono samples: twice the frequency of a sine.
double CrossingsPerSecond(const std::vector<int16_t>& mono, double from, double to)
{
    const size_t first = size_t(from * kRate);
    const size_t last = std::min(mono.size(), size_t(to * kRate));
    size_t crossings = 0;
    for (size_t i = first + 1; i < last; ++i)
        if ((mono[i - 1] < 0) != (mono[i] < 0)) ++crossings;
    return last > first ? double(crossings) * kRate / double(last - first) : 0.0;
}

const char* const kTimedLyrics = "[ti:Safe Song]\n[00:01.00]Hello there my friend\n[00:03.00]How are you today\n"
                                 "[00:05.00]Fine and well\n";

} // namespace

TEST(FileSafety, EveryCommandLeavesTheUsersFilesAsTheyWere)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string user = dir.File("user");
    const std::string out = dir.File("out");
    fs::create_directories(user);
    fs::create_directories(out);
    // A WAV with a LIST chunk, shorter than its stream (the stream needs the music lengthened),
    // and an MP3 that is decoded.
    const std::string wav = MakeTone(user + "/mine.wav", 440, 8, {"-metadata", "title=Mine", "-c:a", "pcm_s16le"});
    const std::string mp3 = MakeTone(user + "/tune.mp3", 660, 8, {"-c:a", "libmp3lame", "-b:a", "128k"});
    WriteText(user + "/words.lrc", kTimedLyrics);
    WriteText(user + "/words.txt", "Hello there my friend\nHow are you today\n");

    const std::string wavProject = user + "/wav.tvx";
    const std::string mp3Project = user + "/mp3.tvx";
    CliResult run = RunCli({"new", "-o", wavProject, "--music", wav, "--lyrics", user + "/words.lrc"});
    ASSERT_EQ(run.status, 0) << run.Output();
    run = RunCli({"new", "-o", mp3Project, "--music", mp3, "--lyrics", user + "/words.lrc"});
    ASSERT_EQ(run.status, 0) << run.Output();
    run = RunCli({"stream", wavProject, "-o", user + "/song.cdg"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const auto before = Fingerprints(user);
    ASSERT_EQ(before.size(), 8u); // the music, the lyrics, two projects, mp3.wav and the stream

    const std::vector<std::vector<std::string>> commands = {
        {"new", "-o", out + "/again.tvx", "--music", wav, "--lyrics", user + "/words.txt"},
        {"export", wavProject, "-o", out + "/a.zip", "--lrc", "enhanced"},
        {"export", wavProject, "--type", "bin", "-o", out + "/a.bin"},
        {"export", wavProject, "--type", "wmag", "-o", out + "/a.wma", "--lrc", "simple"},
        {"export", wavProject, "-o", out + "/a.mp3", "--force"}, // a.wma's pair has the .cdg
        {"export", mp3Project, "-o", out + "/b.zip"},
        {"export", mp3Project, "--type", "bin", "-o", out + "/b.bin"},
        {"export", wavProject, "--music", mp3, "-o", out + "/c.mp3"},
        {"play", wavProject, "--from", "6", "--seconds", "1"},
        {"play", mp3Project, "--from", "7", "--seconds", "1"},
        {"play", wav, "--cdg", user + "/song.cdg", "--to", "0.5", "--snapshot", out + "/end.png"},
        {"stream", mp3Project, "-o", out + "/b.cdg"},
        {"render", user + "/song.cdg", "--at", "2", "-o", out + "/at2.png"},
        {"page", wavProject, "--kind", "title", "-o", out + "/title.png"},
        {"page", mp3Project, "--kind", "lyrics", "-o", out + "/lyrics.png"},
        {"info", wavProject, "--json"},
        {"info", mp3Project},
    };
    for (const auto& command : commands) {
        run = RunCli(command);
        EXPECT_EQ(run.status, 0) << command[0] << " " << command[1] << ": " << run.Output();
        EXPECT_EQ(Fingerprints(user), before) << "after " << command[0] << " " << command[1] << " " << command[2];
        EXPECT_TRUE(fs::is_empty(dir.File("tmp"))) << "work files left after " << command[0];
    }
    EXPECT_EQ(Names(out), (std::vector<std::string>{"a.bin", "a.cdg", "a.lrc", "a.mp3", "a.wma", "a.zip", "again.tvx",
                                                    "at2.png", "b.bin", "b.cdg", "b.zip", "c.cdg", "c.mp3", "end.png",
                                                    "lyrics.png", "title.png"}));

    // The song is still whole where the music ends: the exported MP3 goes on with silence
    // after the user's 8 s, as far as the stream needs.
    run = RunCli({"export", wavProject, "-o", out + "/check.mp3"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const double leadIn = LeadInSeconds(run.out);
    const auto mono = DecodeWithFfmpeg(out + "/check.mp3", 1);
    ASSERT_GT(mono.size(), size_t((leadIn + 9) * kRate));
    EXPECT_NEAR(CrossingsPerSecond(mono, leadIn + 1, leadIn + 7), 880, 20);
    EXPECT_LT(Rms(mono, size_t((leadIn + 8.5) * kRate), mono.size()), 50.0);
}

TEST(FileSafety, TwoSongsExportedSideBySideEachCarryTheirOwnMusic)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string lyrics = dir.File("words.lrc");
    WriteText(lyrics, kTimedLyrics);
    struct Song {
        int frequency;
        std::string project;
        std::string music;
    };
    std::vector<Song> songs = {{440, dir.File("low.tvx"), ""}, {1000, dir.File("high.tvx"), ""}};
    for (Song& song : songs) {
        song.music = MakeTone(dir.File(std::to_string(song.frequency) + ".mp3"), song.frequency, 6,
                              {"-c:a", "libmp3lame", "-b:a", "128k"});
        const CliResult made = RunCli({"new", "-o", song.project, "--music", song.music, "--lyrics", lyrics});
        ASSERT_EQ(made.status, 0) << made.Output();
    }

    // Each export decodes its MP3 again (--music), into a work file of its own. The two runs
    // of a round start together and decode at the same time, so work files that shared a name
    // would mix the songs in every round, not now and then.
    for (int round = 0; round < 6; ++round) {
        std::vector<std::future<CliResult>> runs;
        std::vector<std::string> outputs;
        for (const Song& song : songs) {
            outputs.push_back(dir.File("out-" + std::to_string(round) + "-" + std::to_string(song.frequency) + ".mp3"));
            runs.push_back(std::async(std::launch::async, [&song, output = outputs.back()] {
                return RunCli({"export", song.project, "--music", song.music, "-o", output});
            }));
        }
        for (size_t i = 0; i < songs.size(); ++i) {
            const CliResult run = runs[i].get();
            ASSERT_EQ(run.status, 0) << run.Output();
            const double leadIn = LeadInSeconds(run.out);
            const auto mono = DecodeWithFfmpeg(outputs[i], 1);
            // Each half second of the music is the song's own tone, never the other's or silence.
            for (double t = leadIn + 0.5; t < leadIn + 5.5; t += 0.5)
                ASSERT_NEAR(CrossingsPerSecond(mono, t, t + 0.5), 2.0 * songs[i].frequency, 0.03 * songs[i].frequency)
                    << "round " << round << ", " << outputs[i] << " at " << t << " s";
            fs::remove(outputs[i]);
            fs::remove(fs::path(outputs[i]).replace_extension(".cdg"));
        }
    }
    EXPECT_TRUE(fs::is_empty(dir.File("tmp")));
}

TEST(FileSafety, AStopSignalLeavesNoFileBehindAndExitsWith128PlusItsNumber)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string user = dir.File("user");
    const std::string out = dir.File("out");
    fs::create_directories(user);
    fs::create_directories(out);
    // Ten minutes of silence: long enough to decode and to encode that the signal finds the
    // work under way, quick to make.
    const std::string flac = user + "/long.flac";
    const std::string wav = user + "/long.wav";
    MakeLongSilence(flac);
    MakeLongSilence(wav);
    WriteText(user + "/words.lrc", kTimedLyrics);
    const auto inputs = Fingerprints(user);

    // new: stopped while it decodes (its hidden work file beside the project is growing).
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        const CliResult run = RunProgramAndSignal(
            TESSAVOX_CLI_PATH, {"new", "-o", out + "/song.tvx", "--music", flac, "--lyrics", user + "/words.lrc"},
            signal, [&out] { return HasHiddenFile(out); });
        ASSERT_TRUE(run.signalSent) << "the decoding ended before it could be stopped: " << run.Output();
        EXPECT_FALSE(run.killedBySignal);
        EXPECT_EQ(run.status, 128 + signal) << run.Output();
        EXPECT_TRUE(fs::is_empty(out)) << Names(out).front();
    }

    // export: stopped while it encodes, to a file and to a ZIP made in the work folder.
    const std::string project = user + "/song.tvx";
    CliResult made = RunCli({"new", "-o", project, "--music", wav, "--lyrics", user + "/words.lrc"});
    ASSERT_EQ(made.status, 0) << made.Output();
    const auto withProject = Fingerprints(user);
    CliResult run = RunProgramAndSignal(TESSAVOX_CLI_PATH, {"export", project, "-o", out + "/song.mp3"}, SIGTERM,
                                        [&out] { return HasHiddenFile(out); });
    ASSERT_TRUE(run.signalSent) << run.Output();
    EXPECT_FALSE(run.killedBySignal);
    EXPECT_EQ(run.status, 143) << run.Output();
    // The words the window's status bar shows after its Cancel.
    EXPECT_NE(run.Output().find("Export cancelled; no file was written."), std::string::npos) << run.Output();
    EXPECT_TRUE(fs::is_empty(out));
    const std::string tmp = dir.File("tmp");
    run = RunProgramAndSignal(TESSAVOX_CLI_PATH, {"export", project, "-o", out + "/song.zip", "--type", "wmag"},
                              SIGINT, [&tmp] { return ScratchHoldsAFile(tmp); });
    ASSERT_TRUE(run.signalSent) << run.Output();
    EXPECT_EQ(run.status, 130) << run.Output();
    EXPECT_NE(run.Output().find("Export cancelled; no file was written."), std::string::npos) << run.Output();
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_EQ(Fingerprints(user), withProject);
    for (const auto& [name, print] : inputs) EXPECT_EQ(withProject.at(name), print) << name;
}

TEST(FileSafety, WhatKilledRunsLeftIsRemovedByTheNextStart)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    ScopedEnv state("XDG_STATE_HOME", dir.File("state"));
    const std::string tmp = dir.File("tmp");
    const std::string user = dir.File("user");
    const std::string out = dir.File("out");
    fs::create_directories(user);
    fs::create_directories(out);
    const std::string flac = user + "/long.flac";
    const std::string wav = user + "/long.wav";
    MakeLongSilence(flac);
    MakeLongSilence(wav);
    WriteText(user + "/words.lrc", kTimedLyrics);
    const std::string project = user + "/song.tvx";
    CliResult run = RunCli({"new", "-o", project, "--music", wav, "--lyrics", user + "/words.lrc"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const auto inputs = Fingerprints(user);

    // new, killed while it decodes into the hidden work file beside the project.
    run = RunProgramAndSignal(TESSAVOX_CLI_PATH,
                              {"new", "-o", out + "/song.tvx", "--music", flac, "--lyrics", user + "/words.lrc"},
                              SIGKILL, [&out] { return HasNameStartingWith(out, ".song.wav."); });
    ASSERT_TRUE(run.signalSent) << run.Output();
    EXPECT_TRUE(run.killedBySignal);
    EXPECT_TRUE(HasNameStartingWith(out, ".song.wav."));
    // A video of music decoded into the work folder, killed while the hidden MP4 grows.
    run = RunProgramAndSignal(TESSAVOX_CLI_PATH, {"export", project, "--music", flac, "-o", out + "/song.mp4"},
                              SIGKILL, [&out] { return HasNameStartingWith(out, ".song.mp4."); });
    ASSERT_TRUE(run.signalSent) << run.Output();
    EXPECT_TRUE(HasNameStartingWith(out, ".song.mp4."));
    EXPECT_TRUE(HasNameStartingWith(tmp, "tessavox-work-"));
    // A ZIP, killed while its audio grows in the scratch folder.
    run = RunProgramAndSignal(TESSAVOX_CLI_PATH, {"export", project, "-o", out + "/song.zip"}, SIGKILL,
                              [&tmp] { return ScratchHoldsAFile(tmp); });
    ASSERT_TRUE(run.signalSent) << run.Output();
    EXPECT_TRUE(ScratchHoldsAFile(tmp));
    EXPECT_FALSE(EmptyOrMissing(RecordFolder(dir.File("state"))));

    // Any command started once they are old enough removes them all, and the records.
    AgeNames(tmp);
    AgeNames(out);
    run = RunCli({"info", project});
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
    EXPECT_EQ(Names(out), std::vector<std::string>{});
    EXPECT_TRUE(EmptyOrMissing(RecordFolder(dir.File("state"))));
    EXPECT_EQ(Fingerprints(user), inputs);
}

TEST(FileSafety, ARunStartedMeanwhileLeavesALiveRunsFilesAlone)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    ScopedEnv state("XDG_STATE_HOME", dir.File("state"));
    const std::string tmp = dir.File("tmp");
    const std::string flac = dir.File("long.flac");
    MakeLongSilence(flac);
    MakeLongSilence(dir.File("long.wav"));
    WriteText(dir.File("words.lrc"), kTimedLyrics);
    const std::string project = dir.File("song.tvx");
    CliResult run = RunCli({"new", "-o", project, "--music", dir.File("long.wav"), "--lyrics", dir.File("words.lrc")});
    ASSERT_EQ(run.status, 0) << run.Output();

    // The export is held still (stopped) with its work folder and scratch folder in place,
    // older than any left-over needs to be, while another command starts and ends.
    std::vector<std::string> held, afterOther;
    CliResult other;
    run = RunProgramAlongside(TESSAVOX_CLI_PATH, {"export", project, "--music", flac, "-o", dir.File("song.zip")},
                              [&](int pid) {
                                  if (!ScratchHoldsAFile(tmp)) return false;
                                  kill(pid, SIGSTOP);
                                  held = Names(tmp);
                                  AgeNames(tmp);
                                  other = RunCli({"info", project});
                                  afterOther = Names(tmp);
                                  kill(pid, SIGCONT);
                                  return true;
                              });
    EXPECT_EQ(other.status, 0) << other.Output();
    const auto holds = [&held](const std::string& start) {
        return std::any_of(held.begin(), held.end(), [&start](const std::string& n) { return n.starts_with(start); });
    };
    EXPECT_TRUE(holds("tessavox-work-") && holds("tessavox-export-")) << held.size() << " names";
    EXPECT_EQ(afterOther, held);
    EXPECT_EQ(run.status, 0) << run.Output();
    const CliResult listed = RunProgram("unzip", {"-Z1", dir.File("song.zip")});
    EXPECT_EQ(listed.out, "song.mp3\nsong.cdg\n") << listed.Output();
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
    EXPECT_TRUE(EmptyOrMissing(RecordFolder(dir.File("state"))));
}

TEST(FileSafety, AMovedFolderOfProjectsFindsItsMusicAndExportsAsBefore)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string before = dir.File("before");
    fs::create_directories(before + "/songs/pop");
    MakeTone(before + "/songs/pop/tune.wav", 440, 6, {"-c:a", "pcm_s16le"});
    MakeTone(before + "/beside.wav", 660, 6, {"-c:a", "pcm_s16le"});
    WriteText(before + "/words.lrc", kTimedLyrics);
    CliResult run = RunCli({"new", "-o", before + "/nested.tvx", "--music", before + "/songs/pop/tune.wav", "--lyrics",
                            before + "/words.lrc"});
    ASSERT_EQ(run.status, 0) << run.Output();
    run = RunCli({"new", "-o", before + "/beside.tvx", "--music", before + "/beside.wav", "--lyrics",
                  before + "/words.lrc"});
    ASSERT_EQ(run.status, 0) << run.Output();
    run = RunCli({"export", before + "/nested.tvx", "--type", "bin", "-o", dir.File("first.bin")});
    ASSERT_EQ(run.status, 0) << run.Output();

    const std::string after = dir.File("after");
    fs::rename(before, after);
    const auto moved = Fingerprints(after);
    run = RunCli({"export", after + "/nested.tvx", "--type", "bin", "-o", dir.File("moved.bin")});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(run.err.find("using \"" + after + "/songs/pop/tune.wav\" beside the project"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileBytes(dir.File("moved.bin")), ReadFileBytes(dir.File("first.bin")));
    run = RunCli({"export", after + "/beside.tvx", "-o", dir.File("beside.zip")});
    EXPECT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(Fingerprints(after), moved); // the projects keep the paths they had

    // Music that is nowhere: the message names every place that was looked at.
    fs::remove(after + "/beside.wav");
    run = RunCli({"export", after + "/beside.tvx", "-o", dir.File("gone.zip")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the music \"" + before + "/beside.wav\" is not there, nor at \"" + after + "/beside.wav\""),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir.File("gone.zip")));
}
