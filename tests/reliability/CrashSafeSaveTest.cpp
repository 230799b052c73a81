// Saving a project survives being killed at any moment: a child process saves a large project
// over and over, the test kills it with SIGKILL at random times, and after every kill the
// project file must be one of the two versions, whole and loadable. Left-over temporary files
// of killed saves must never make a later save fail, and the next save removes them. The kills
// go on until they have fallen before, inside and after the writes (at least kMinTrials).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <limits>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "media/AtomicFile.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMinTrials = 60;
constexpr int kMaxTrials = 300;

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
void MakeLargeSong(KaraokeSong& song, int verses, const std::string& title)
{
    song.title = title;
    song.artist = "Test";
    std::string lyrics;
    for (int v = 0; v < verses; ++v)
        lyrics += "Ver/se " + std::to_string(v) + " of the long song,\r\nsung from the start\r\nto the end\r\n\r\n";
    song.lyricText = lyrics;
    song.GenerateKaraokeLineList(false, false);
    song.pages.front()->text = title;
    for (size_t i = 0; i < song.pages.size(); ++i)
        for (size_t p = i; p < song.pages[i]->graphic.truePixels.size(); p += 97)
            song.pages[i]->graphic.truePixels[p] = uint8_t(p + title.size());
}

} // namespace

TEST(CrashSafeSave, EveryKillLeavesTheOldOrTheNewProject)
{
    TempDir dir;
    const std::string path = dir.File("big.tvx");
    KaraokeSong first(path), second(path);
    MakeLargeSong(first, 300, "First");
    MakeLargeSong(second, 500, "Second");
    const std::vector<uint8_t> firstBytes = SerializeProject(first);
    const std::vector<uint8_t> secondBytes = SerializeProject(second);
    ASSERT_GT(firstBytes.size(), size_t(750) << 10);
    ASSERT_NE(firstBytes.size(), secondBytes.size());
    KaraokeSong* versions[2] = {&first, &second};

    // The quickest of a few saves: one slowed down by a busy machine would only spread the kills
    // over several saves.
    int64_t saveMicros = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(SaveProject(second));
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(SaveProject(first));
        saveMicros = std::min<int64_t>(saveMicros, std::chrono::duration_cast<std::chrono::microseconds>(
                                                       std::chrono::steady_clock::now() - started)
                                                       .count());
    }

    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> savesBefore(0, 1);
    std::uniform_int_distribution<int64_t> delay(0, saveMicros);
    // A save spends most of its time making the file's bytes and writes them at its end: when
    // no kill has yet fallen inside the writes, the later kills aim at the save's last quarter.
    std::uniform_int_distribution<int64_t> lateDelay(saveMicros * 3 / 4, saveMicros);
    int onDisk = 0; // first
    int damaged = 0, sawOld = 0, sawNew = 0, leftTemps = 0;
    int trials = 0;
    for (; trials < kMaxTrials && (trials < kMinTrials || !sawOld || !sawNew || !leftTemps); ++trials) {
        const int trial = trials;
        int saved[2];
        ASSERT_EQ(::pipe(saved), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Saves the other version first, then both in turn; a byte on the pipe after each.
            ::close(saved[0]);
            for (int i = 1;; ++i) {
                SaveProject(*versions[(onDisk + i) % 2]);
                if (::write(saved[1], "s", 1) != 1) ::_exit(1);
            }
        }
        ::close(saved[1]);
        // Let the child finish none or one save, then kill it somewhere in the next.
        char byte;
        for (int n = savesBefore(random); n > 0; --n) ASSERT_EQ(::read(saved[0], &byte, 1), 1);
        ::usleep(useconds_t(trials >= kMinTrials && !leftTemps ? lateDelay(random) : delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(saved[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "trial " << trial;

        std::vector<uint8_t> now;
        ASSERT_TRUE(ReadWholeFile(path, now, size_t(64) << 20));
        const int was = onDisk;
        if (now == firstBytes) onDisk = 0;
        else if (now == secondBytes) onDisk = 1;
        else ++damaged;
        (onDisk == was ? sawOld : sawNew) += 1;
        leftTemps += TempFilesOf(path) > 0 ? 1 : 0;
        if (trial % 15 == 0) {
            KaraokeSong loaded(path);
            EXPECT_TRUE(LoadProject(loaded)) << "trial " << trial;
        }
    }
    std::printf("%d kills (a save takes %lld us): %d left the old project, %d the new one, %d damaged; %d left a "
                "temporary file\n",
                trials, (long long)saveMicros, sawOld, sawNew, damaged, leftTemps);
    EXPECT_EQ(damaged, 0);
    // The kills fell before, inside and after the writes.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
    EXPECT_GT(leftTemps, 0);

    // Whatever the last kill left, the next save works and clears the left-overs.
    ASSERT_TRUE(SaveProject(second));
    EXPECT_EQ(ReadFileBytes(path), secondBytes);
    EXPECT_EQ(TempFilesOf(path), 0);
}
