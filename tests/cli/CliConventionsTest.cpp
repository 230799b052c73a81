// Every command behaves as the tools beside it do: help and version on standard output with
// status 0, "--name=value" and "--", wrong arguments with status 2, and every failure naming
// the file it is about.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliRunner.h"
#include "support/TempDir.h"

namespace {

const std::string kDemo = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx";
const std::vector<std::string> kCommands = {"info", "render", "page", "stream", "encode", "bin", "new", "export", "play", "waveform", "align"};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(CliConventions, HelpVersionAndUnknownOptionsForEveryCommand)
{
    const CliResult version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tessavox-cli ", 0), 0u) << version.out;
    const CliResult general = RunCli({"--help"});
    EXPECT_EQ(general.status, 0);
    for (const std::string& command : kCommands) {
        SCOPED_TRACE(command);
        EXPECT_TRUE(Contains(general.out, "  " + command + " ")) << general.out;
        const CliResult help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: tessavox-cli " + command, 0), 0u) << help.out;
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(RunCli({command, "-h"}).out, help.out);
        EXPECT_EQ(RunCli({"help", command}).out, help.out);
        EXPECT_EQ(RunCli({command, "--version"}).out, version.out);

        const CliResult unknown = RunCli({command, "--frobnicate=3"});
        EXPECT_EQ(unknown.status, 2);
        EXPECT_EQ(unknown.out, "");
        EXPECT_EQ(unknown.err.rfind("tessavox-cli " + command + ": unknown option \"--frobnicate\"\n", 0), 0u)
            << unknown.err;
        EXPECT_TRUE(Contains(unknown.err, "Usage: tessavox-cli " + command)) << unknown.err;
    }
}

TEST(CliConventions, MissingInputsAreNamedWithTheSystemsReason)
{
    TempDir dir;
    const std::string missing = dir.File("missing");
    const std::string out = dir.File("out");
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"info", missing + ".tvx"}, missing + ".tvx: No such file or directory"},
        {{"page", missing + ".tvx", "--kind", "title", "-o", out + ".png"}, missing + ".tvx: No such file or directory"},
        {{"stream", missing + ".tvx", "-o", out + ".cdg"}, missing + ".tvx: No such file or directory"},
        {{"export", missing + ".tvx", "-o", out + ".zip"}, missing + ".tvx: No such file or directory"},
        {{"play", missing + ".tvx"}, missing + ".tvx: No such file or directory"},
        {{"align", missing + ".tvx"}, missing + ".tvx: No such file or directory"},
        {{"render", missing + ".cdg", "--at", "1", "-o", out + ".png"}, missing + ".cdg: No such file or directory"},
        {{"bin", kDemo, missing + ".cdg", "-o", out + ".bin"}, missing + ".cdg: No such file or directory"},
        {{"encode", missing + ".wav", "-o", out + ".mp3"}, "\"" + missing + ".wav\" is not a WAV work file"},
        {{"new", "-o", out + ".tvx", "--music", missing + ".mp3"}, missing + ".mp3: There is a problem"},
    };
    for (const auto& [args, expected] : runs) {
        SCOPED_TRACE(args[0]);
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 1) << run.Output();
        EXPECT_EQ(run.err.rfind("tessavox-cli " + args[0] + ": ", 0), 0u) << run.err;
        EXPECT_TRUE(Contains(run.err, expected)) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(CliConventions, OptionsWithEqualsDashDashAndStandardStreams)
{
    TempDir dir;
    // "--name=value" anywhere among the operands.
    CliResult run = RunCli({"stream", "--output=" + dir.File("a.cdg"), kDemo});
    ASSERT_EQ(run.status, 0) << run.Output();
    const auto file = ReadFileBytes(dir.File("a.cdg"));
    ASSERT_GT(file.size(), 24u * 300u);

    // stream -o - | render - : the stream through a pipe (tee keeps a copy: the title page's
    // dissolve is drawn in a new order every time), and the screen as from a file.
    const std::string cli = TESSAVOX_CLI_PATH;
    run = RunProgram("sh", {"-c", "\"" + cli + "\" stream \"" + kDemo + "\" -o - | tee \"" + dir.File("piped.cdg") +
                                      "\" | \"" + cli + "\" render - --at 12 -o \"" + dir.File("piped.png") + "\""});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(ReadFileBytes(dir.File("piped.cdg")).size(), file.size());
    ASSERT_EQ(RunCli({"render", dir.File("piped.cdg"), "--at=12", "-o", dir.File("file.png")}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.File("piped.png")), ReadFileBytes(dir.File("file.png")));

    // render -o - writes PNG bytes; .jpg writes a JPEG that ffprobe reads as one; other names are refused.
    run = RunCli({"render", dir.File("a.cdg"), "--at", "12", "-o", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::vector<uint8_t>(run.out.begin(), run.out.end()), ReadFileBytes(dir.File("file.png")));
    run = RunCli({"render", dir.File("a.cdg"), "--at", "12", "-o", dir.File("frame.jpg")});
    ASSERT_EQ(run.status, 0) << run.err;
    const CliResult probe = RunProgram("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height", "-of",
                                                    "csv=p=0", dir.File("frame.jpg")});
    EXPECT_EQ(probe.out, "mjpeg,300,216\n");
    run = RunCli({"render", dir.File("a.cdg"), "--at", "12", "-o", dir.File("frame.gif")});
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("frame.gif")));

    // After "--" a name that begins with "-" is a file.
    run = RunCli({"info", "--", "-odd.tvx"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli info: -odd.tvx: No such file or directory\n");
}
