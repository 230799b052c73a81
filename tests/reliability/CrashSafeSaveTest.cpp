// Saving a project survives being killed at any moment: a child process saves a large project
// over and over, the test kills it with SIGKILL at random times, and after every kill the
// project file must be one of the two versions, whole and loadable. Left-over temporary files
// of killed saves must never make a later save fail, and the next save removes them.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "project/MSongSettings.h"
#include "project/ProjectFile.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTrials = 300;

// Hidden temporary files of the project's saves in its folder.
int TempFilesOf(const fs::path& project)
{
    int count = 0;
    const std::string prefix = "." + project.filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(project.parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
    return count;
}

// Pages and a long lyric text, so that a save takes long enough to be cut in many places.
void MakeLargeSong(MSongSettings& song, int verses, const std::string& title)
{
    song.title = title;
    song.artist = "Test";
    std::string lyrics;
    for (int v = 0; v < verses; ++v)
        lyrics += "Ver/se " + std::to_string(v) + " of the long song,\r\nsung from the start\r\nto the end\r\n\r\n";
    song.lyricText = lyrics;
    song.GenerateKaraokeLineList(false, false);
    IMAGE_STRUCT extra = *song.pages.front();
    extra.text = title;
    song.AddPage(extra);
    for (size_t i = 0; i < song.pages.size(); ++i)
        for (size_t p = i; p < song.pages[i]->graphic.truePixels.size(); p += 97)
            song.pages[i]->graphic.truePixels[p] = uint8_t(p + title.size());
}

} // namespace

TEST(CrashSafeSave, EveryKillLeavesTheOldOrTheNewProject)
{
    TempDir dir;
    const std::string path = dir.File("big.tvx");
    PromptRecorder prompt;
    MSongSettings first(path), second(path);
    first.prompt = second.prompt = &prompt;
    MakeLargeSong(first, 400, "First");
    MakeLargeSong(second, 700, "Second");
    const std::vector<uint8_t> firstBytes = SerializeProject(first);
    const std::vector<uint8_t> secondBytes = SerializeProject(second);
    ASSERT_GT(firstBytes.size(), size_t(1) << 20);
    ASSERT_NE(firstBytes.size(), secondBytes.size());

    ASSERT_TRUE(SaveProject(first));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(SaveProject(second));
    const auto saveMicros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();

    std::mt19937 random(20240611);
    // Kill anywhere within about two saves (the child starts with a fork, then saves in turn).
    std::uniform_int_distribution<int64_t> delay(0, std::max<int64_t>(2 * saveMicros, 2000));
    int damaged = 0, sawFirst = 0, sawSecond = 0, leftTemps = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) SaveProject(i % 2 == 0 ? first : second);
        }
        ::usleep(useconds_t(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "trial " << trial;

        const std::vector<uint8_t> now = ReadFileBytes(path);
        if (now == firstBytes) ++sawFirst;
        else if (now == secondBytes) ++sawSecond;
        else ++damaged;
        leftTemps += TempFilesOf(path) > 0 ? 1 : 0;
        if (trial % 25 == 0) {
            MSongSettings loaded(path);
            EXPECT_TRUE(LoadProject(loaded)) << "trial " << trial;
        }
    }
    RecordProperty("trials", kTrials);
    std::printf("%d kills: %d first, %d second, %d damaged; %d left a temporary file\n", kTrials, sawFirst, sawSecond,
                damaged, leftTemps);
    EXPECT_EQ(damaged, 0);
    // The kills fell both between and inside saves.
    EXPECT_GT(sawFirst, 0);
    EXPECT_GT(sawSecond, 0);
    EXPECT_GT(leftTemps, 0);

    // Whatever the last kill left, the next save works and clears the left-overs.
    ASSERT_TRUE(SaveProject(first));
    EXPECT_EQ(ReadFileBytes(path), firstBytes);
    EXPECT_EQ(TempFilesOf(path), 0);
    EXPECT_TRUE(prompt.entries.empty());
}
