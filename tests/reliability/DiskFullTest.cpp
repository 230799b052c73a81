// Writes that fail: every save and export runs once with a small file size limit (writes fail
// with EFBIG, as on a full disk) and once into a folder that does not exist. Each must report
// why, return failure, leave an earlier file of the same name as it was and leave no partial
// or temporary file. Each case runs in a child process, so the limit never reaches the runner.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "audio/EnsureMp3Encoder.h"
#include "audio/MusicImport.h"
#include "audio/WavOutFile.h"
#include "cdg/ExportBin.h"
#include "export/CompressedExport.h"
#include "lyrics/LrcWriter.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/MusicFiles.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kMusicFrames = 3 * kRate;
constexpr uint32_t kLeadIn = 8820;
const std::vector<uint8_t> kEarlier(700, 'E');

struct Outcome {
    bool ran = false;       // the child reported back
    bool succeeded = false; // what the operation returned
    std::string told;       // every message the user was given, one a line
};

// Runs the operation in a child with the file size limit (0: none) and SIGXFSZ ignored, as a
// program that handles its write errors runs.
Outcome RunInChild(rlim_t sizeLimit, const std::function<bool(UserPrompt&)>& operation)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t child = ::fork();
    if (child < 0) return {};
    if (child == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        if (sizeLimit != 0) {
            const rlimit limit{sizeLimit, sizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        PromptRecorder prompt;
        std::string report(1, operation(prompt) ? '1' : '0');
        for (const auto& entry : prompt.entries) report += entry.text + "\n";
        const char* p = report.data();
        size_t left = report.size();
        while (left > 0) {
            const ssize_t n = ::write(pipeFds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= size_t(n);
        }
        ::_exit(0); // no test runner teardown in the child
    }
    ::close(pipeFds[1]);
    std::string report;
    char chunk[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;) report.append(chunk, size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Outcome outcome;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || report.empty()) return outcome;
    outcome.ran = true;
    outcome.succeeded = report[0] == '1';
    outcome.told = report.substr(1);
    return outcome;
}

// Names in a folder that are not the files it held before (temporary files are hidden).
std::vector<std::string> NewNames(const fs::path& folder, const std::vector<std::string>& before)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (std::find(before.begin(), before.end(), name) == before.end()) names.push_back(name);
    }
    return names;
}

// Noise: its MP3 does not shrink in the archive, so the archive outgrows each of its pieces.
std::vector<int16_t> Noise(size_t frames)
{
    std::mt19937 random(3);
    std::vector<int16_t> s(frames * 2);
    for (int16_t& v : s) v = int16_t(int(random() % 16001) - 8000);
    return s;
}

class DiskFullTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        Mp3NoticeSettings notices;
        PromptRecorder quiet;
        ASSERT_TRUE(EnsureMp3Encoder(quiet, notices)) << "the MP3 encoder library (libmp3lame0) is needed";
        fs::create_directories(out);
        fs::create_directories(temp);
        WavOutFile wav;
        ASSERT_TRUE(wav.Create(dir.File("music.wav"), kRate, 16, 2));
        ASSERT_TRUE(wav.Write(Noise(kMusicFrames)));
        ASSERT_TRUE(wav.Close());
        song.projectPath = (out / "song.tvx").string();
        song.musicPath = dir.File("music.wav");
        song.title = "Full Disk";
        song.artist = "The Testers";
        song.lyricText = "Fill the disk\r\nto the brim\r\n";
        song.GenerateKaraokeLineList(true, true);
        uint32_t t = 4410;
        for (auto& w : song.words) {
            w->start = t;
            w->end = t + 15000;
            t += 20000;
        }
        buffer.resize(size_t(kMusicFrames + kLeadIn) / 147 * 24 + 4000);
        std::mt19937 noise(5);
        for (uint8_t& b : buffer) b = uint8_t(noise());
    }

    ExportChoices Compressed(ExportType type, bool zip) const
    {
        ExportChoices c;
        c.type = type;
        c.zip = zip;
        c.lrc = true;
        return c;
    }

    bool Export(const std::string& chosen, const ExportChoices& choices, UserPrompt& prompt)
    {
        return RunCompressedExport(song, ExportStream{buffer, kLeadIn, 0}, chosen, choices, {}, prompt, temp.string())
                   .status == WorkStatus::Done;
    }

    bool Bin(const std::string& path, UserPrompt& prompt)
    {
        return ExportBin(path, {song.musicPath, buffer, buffer.size(), kLeadIn}, {}, prompt).status ==
               WorkStatus::Done;
    }

    // One cell of the matrix.
    struct Cell {
        std::string operation;
        std::string condition;
        std::string target;     // the final name; an earlier version is put there first when asked
        rlim_t sizeLimit = 0;   // 0: none
        bool earlier = false;
        std::string told;       // what the messages must contain
        std::vector<std::string> complete = {}; // files of the folder that may be written whole
    };

    // The operation fails, says something containing cell.told, the target holds what it held
    // (an earlier version, nothing, or the folder that takes its name) and nothing else is left.
    void Expect(const Cell& cell, const std::function<bool(UserPrompt&)>& run)
    {
        SCOPED_TRACE(cell.operation + " / " + cell.condition);
        const fs::path target(cell.target);
        if (cell.earlier) WriteFileBytes(cell.target, kEarlier);
        std::vector<std::string> before = cell.complete;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(target.parent_path(), ec))
            before.push_back(e.path().filename().string());

        const Outcome o = RunInChild(cell.sizeLimit, run);
        const std::vector<std::string> left = NewNames(target.parent_path(), before);
        const bool kept =
            cell.earlier ? ReadFileBytes(cell.target) == kEarlier : !fs::exists(target) || fs::is_directory(target);
        const bool toldWhy = o.told.find(cell.told) != std::string::npos;
        const bool clean = o.ran && !o.succeeded && toldWhy && kept && left.empty() && fs::is_empty(temp);
        EXPECT_TRUE(o.ran);
        EXPECT_FALSE(o.succeeded);
        EXPECT_TRUE(toldWhy) << "told: " << o.told;
        EXPECT_TRUE(kept);
        EXPECT_TRUE(left.empty()) << "left behind: " << (left.empty() ? "" : left.front());
        EXPECT_TRUE(fs::is_empty(temp)) << "the export's scratch folder was left";
        std::string told = o.told;
        for (char& c : told) c = c == '\n' ? ' ' : c;
        std::printf("| %-14s | %-17s | %-6s | %.110s\n", cell.operation.c_str(), cell.condition.c_str(),
                    clean ? "clean" : "FAIL", told.c_str());
        std::error_code ignored;
        if (cell.earlier) fs::remove(target, ignored);
        for (const std::string& name : cell.complete) fs::remove(target.parent_path() / name, ignored);
    }

    TempDir dir;
    fs::path out = dir.Path() / "out";
    fs::path temp = dir.Path() / "temp";
    fs::path missing = dir.Path() / "no such folder";
    KaraokeSong song;
    std::vector<uint8_t> buffer;
};

constexpr rlim_t kSmallLimit = 16 * 1024;
constexpr const char* kTooLarge = "File too large";

} // namespace

TEST_F(DiskFullTest, SavesAndExportsFailCleanly)
{
    std::printf("| operation      | condition         | result | first line told\n");
    const std::string project = (out / "song.tvx").string();
    // The save says why it failed; the front end tells it.
    const auto save = [&](UserPrompt& p) {
        const WorkOutcome saved = SaveProject(song);
        if (!saved) p.Message(saved.message, kAppCaption, PromptIcon::Stop);
        return bool(saved);
    };
    Expect({"project save", "file size limit", project, kSmallLimit, true, kTooLarge}, save);
    const std::string lostProject = (missing / "song.tvx").string();
    Expect({"project save", "folder missing", lostProject, 0, false, "No such file or directory"}, [&](UserPrompt& p) {
        song.projectPath = lostProject;
        return save(p);
    });

    const std::string bin = (out / "song.bin").string();
    Expect({"BIN", "file size limit", bin, kSmallLimit, true, kMsgBinWriteFailed},
           [&](UserPrompt& p) { return Bin(bin, p); });
    const std::string lostBin = (missing / "song.bin").string();
    Expect({"BIN", "folder missing", lostBin, 0, false, kMsgBinCreateFailed},
           [&](UserPrompt& p) { return Bin(lostBin, p); });

    for (const ExportType type : {ExportType::Mp3G, ExportType::WmaG}) {
        const std::string name = type == ExportType::Mp3G ? "MP3+G" : "WMA+G";
        const std::string audio = (out / (type == ExportType::Mp3G ? "song.mp3" : "song.wma")).string();
        Expect({name, "file size limit", audio, kSmallLimit, true, "Unable to compress the audio file"},
               [&](UserPrompt& p) { return Export(audio, Compressed(type, false), p); });
        const std::string lost = (missing / fs::path(audio).filename()).string();
        Expect({name, "folder missing", lost, 0, false, "No such file or directory"},
               [&](UserPrompt& p) { return Export(lost, Compressed(type, false), p); });
    }

    // The LRC and .cdg files of an export whose audio was written: folders hold their names, and
    // the pair is put in place whole or not at all.
    const std::string taken = (out / "taken.mp3").string();
    fs::create_directory(out / "taken.lrc");
    Expect({"LRC of MP3+G", "name is a folder", (out / "taken.lrc").string(), 0, false,
            "Unable to create the lyric file"},
           [&](UserPrompt& p) { return Export(taken, Compressed(ExportType::Mp3G, false), p); });
    fs::remove(out / "taken.lrc");
    fs::create_directory(out / "taken.cdg");
    Expect({"CDG of MP3+G", "name is a folder", (out / "taken.cdg").string(), 0, false,
            "Unable to create the CD+G file"},
           [&](UserPrompt& p) { return Export(taken, Compressed(ExportType::Mp3G, false), p); });
    fs::remove(out / "taken.cdg");

    // The LRC writer alone, as the exports use it: it leaves the telling to its caller.
    const auto writeLrc = [&](const std::string& path, UserPrompt& p) {
        const bool ok = WriteLrcFile(song, path, 5000, kLeadIn, true);
        if (!ok) p.Message(std::strerror(errno), kAppCaption, PromptIcon::Stop);
        return ok;
    };
    const std::string lrc = (out / "song.lrc").string();
    Expect({"LRC", "file size limit", lrc, 64, true, kTooLarge}, [&](UserPrompt& p) { return writeLrc(lrc, p); });
    const std::string lostLrc = (missing / "song.lrc").string();
    Expect({"LRC", "folder missing", lostLrc, 0, false, "No such file or directory"},
           [&](UserPrompt& p) { return writeLrc(lostLrc, p); });

    // ZIP: each piece fits under the limit, the archive of all three does not.
    {
        TempDir dry;
        PromptRecorder quiet;
        const std::string piece = (dry.Path() / "song.mp3").string();
        ASSERT_TRUE(Export(piece, Compressed(ExportType::Mp3G, false), quiet));
        const uintmax_t largest = std::max({fs::file_size(piece), fs::file_size(dry.Path() / "song.cdg"),
                                            fs::file_size(dry.Path() / "song.lrc")});
        ASSERT_TRUE(Export(piece, Compressed(ExportType::Mp3G, true), quiet));
        ASSERT_GT(fs::file_size(dry.Path() / "song.zip"), largest + 512);
        Expect({"ZIP", "file size limit", (out / "song.zip").string(), rlim_t(largest + 512), true,
                "An unexpected error occurred while"},
               [&](UserPrompt& p) { return Export((out / "song.mp3").string(), Compressed(ExportType::Mp3G, true), p); });
        Expect({"ZIP", "folder missing", (missing / "song.zip").string(), 0, false, kMsgZipCreateFailed},
               [&](UserPrompt& p) { return Export((missing / "song.mp3").string(), Compressed(ExportType::Mp3G, true), p); });
    }

    // The work WAV that a music import decodes an MP3 into; the caller tells its error text.
    const std::string mp3 = MakeMusic(dir.Path().string(), "music.mp3", kMusicFrames, kRate, 2);
    ASSERT_FALSE(mp3.empty());
    const auto import = [&](const std::string& workPath, UserPrompt& p) {
        MusicImport music(workPath);
        const bool ok = music.ImportMusic(mp3);
        if (!ok) p.Message(kMsgMusicProblem + music.Result().errorText, kAppCaption, PromptIcon::Stop);
        return ok;
    };
    const std::string work = (out / "work.wav").string();
    Expect({"music work WAV", "file size limit", work, kSmallLimit, true, "Could not write the output file"},
           [&](UserPrompt& p) { return import(work, p); });
    const std::string lostWork = (missing / "work.wav").string();
    Expect({"music work WAV", "folder missing", lostWork, 0, false, "Could not create the work file"},
           [&](UserPrompt& p) { return import(lostWork, p); });
}
