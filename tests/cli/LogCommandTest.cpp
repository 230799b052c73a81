#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliRunner.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

// The diagnostic log is off unless the user names a file; named, it records the song's work and
// "log" lists it back, and a damaged log is listed up to the fault and then named as damaged.
TEST(LogCommand, ANamedLogRecordsTheWorkAndListsItBack)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string music = dir.File("tone.wav");
    ASSERT_EQ(RunProgram("sox", {"-n", "-r", "44100", "-b", "16", "-c", "2", music, "synth", "4", "sine", "440"}).status, 0);
    const std::string lyrics = dir.File("words.lrc");
    const std::string text = "[00:00.50]one two\n[00:01.50]three four\n";
    WriteFileBytes(lyrics, std::vector<uint8_t>(text.begin(), text.end()));
    const std::string log = dir.File("work.log");
    const std::string song = dir.File("song.tvx");

    ASSERT_EQ(RunCli({"new", "-o", song, "--music", music, "--lyrics", lyrics}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(log));
    CliResult run = RunCli({"--log", log, "stream", song, "-o", dir.File("song.cdg")});
    ASSERT_EQ(run.status, 0) << run.Output();

    const CliResult listed = RunCli({"log", log});
    ASSERT_EQ(listed.status, 0) << listed.Output();
    EXPECT_NE(listed.out.find("  T  GenerateKaraokeLineList-Input Raw String: one two\n    three four\n"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("  D  WriteRwMemory-RW Data  ("), std::string::npos) << listed.out;

    // Cut inside the last entry: the entries before it are listed, and the fault is said.
    const auto whole = ReadFileBytes(log);
    WriteFileBytes(log, std::vector<uint8_t>(whole.begin(), whole.end() - 3));
    const CliResult cut = RunCli({"log", log});
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find("GenerateKaraokeLineList-Input Raw String"), std::string::npos);
    EXPECT_NE(cut.err.find("is not a Tessavox log file from byte"), std::string::npos) << cut.err;

    // A file that is not a log, the song's music here, is never written to.
    const auto musicBytes = ReadFileBytes(music);
    run = RunCli({"--log", music, "info", song});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not a Tessavox log file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(music), musicBytes);

    run = RunCli({"--log", dir.File("no/such/folder/x.log"), "info", song});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Cannot write the log file"), std::string::npos) << run.err;
}
