// Commands whose output cannot be written: under a file size limit (as on a full disk) and into
// a folder that does not exist they exit with status 1, say why, and leave an earlier file as
// it was and no partial file.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <filesystem>

#include "audio/WavOutFile.h"
#include "cli/CliRunner.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kDemo = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx";
const std::vector<uint8_t> kEarlier(100, 'E');

// The CLI under a file size limit of blocks x 512 bytes, with SIGXFSZ as a shell leaves it: the
// program itself must ignore it, or the first write past the limit kills it silently.
CliResult RunCliLimited(int blocks, std::vector<std::string> args)
{
    args.insert(args.begin(), {"-c", "ulimit -f " + std::to_string(blocks) + "; exec \"$0\" \"$@\"",
                               TESSAVOX_CLI_PATH});
    return RunProgram("/bin/sh", args);
}

// A stereo sine as a 44.1 kHz WAV.
void MakeToneWav(const std::string& path, int seconds)
{
    WavOutFile wav;
    ASSERT_TRUE(wav.Create(path, 44100, 16, 2));
    std::vector<int16_t> samples(size_t(44100 * 2 * seconds));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(5000 * std::sin(double(i / 2) * 0.05));
    ASSERT_TRUE(wav.Write(samples));
    ASSERT_TRUE(wav.Close());
}

std::vector<std::string> NamesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(WriteFailureCommand, StreamOutputThatCannotBeWrittenFailsAndSaysWhy)
{
    TempDir dir;
    const std::string cdg = dir.File("song.cdg");
    WriteFileBytes(cdg, kEarlier);
    CliResult r = RunCliLimited(16, {"stream", kDemo, "-o", cdg, "--force"});
    EXPECT_EQ(r.status, 1) << r.Output();
    EXPECT_NE(r.err.find("tessavox-cli stream: " + cdg + ": File too large"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(cdg), kEarlier);
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"song.cdg"});

    r = RunCli({"stream", kDemo, "-o", dir.File("missing/song.cdg")});
    EXPECT_EQ(r.status, 1) << r.Output();
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
}

TEST(WriteFailureCommand, ANewProjectThatCannotBeSavedFailsAndSaysWhy)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string music = dir.File("tone.wav");
    MakeToneWav(music, 1);
    const std::string project = dir.File("song.tvx");
    CliResult r = RunCliLimited(64, {"new", "-o", project, "--music", music});
    EXPECT_EQ(r.status, 1) << r.Output();
    EXPECT_NE(r.err.find("The project could not be saved to \"" + project + "\":\nFile too large."), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(project));
    for (const std::string& name : NamesIn(dir.Path())) EXPECT_NE(name[0], '.') << "left behind: " << name;
}

// Every kind of export past the limit: the message names the file the user asked for and the
// reason, and neither a partial output nor a temporary file stays.
TEST(WriteFailureCommand, AnExportThatCannotBeWrittenFailsAndNamesItsFile)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    MakeToneWav(dir.File("tone.wav"), 30); // each output well past the limit
    const std::string project = dir.File("song.tvx");
    CliResult r = RunCli({"new", "-o", project, "--music", dir.File("tone.wav")});
    ASSERT_EQ(r.status, 0) << r.Output();
    const auto before = NamesIn(dir.Path());
    for (const char* name : {"out.mp3", "out.zip", "out.wma", "out.mp4", "out.bin"}) {
        const std::string output = dir.File(name);
        r = RunCliLimited(100, {"export", project, "-o", output, "--allow-untimed"});
        EXPECT_EQ(r.status, 1) << name << ": " << r.Output();
        const std::string named = (fs::path(name).extension() == ".zip" ? "for \"" : "\"") + output + "\": ";
        EXPECT_NE(r.err.find(named + "File too large"), std::string::npos) << r.err;
        EXPECT_EQ(NamesIn(dir.Path()), before) << name;
        EXPECT_TRUE(fs::is_empty(dir.File("tmp"))) << name;
    }
}
