#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "media/AtomicFile.h"
#include "media/ReplacingFile.h"
#include "media/SiblingTempFile.h"
#include "media/TemporaryOwner.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

const std::vector<uint8_t> kBytes = {1, 2, 3};

} // namespace

// What a killed save leaves (an unlocked temporary file, named after a process that is gone or
// by an earlier version) goes with the next save of the same file; names that only look alike,
// other files' temporaries, links and an unlocked file of a live process stay.
TEST(SiblingTempFile, TheNextSaveRemovesOnlyLeftOversOfItsOwnFile)
{
    TempDir dir;
    const std::string target = dir.File("song.tvx");
    // Above the largest process id Linux hands out.
    const std::string gone = ".song.tvx.4194305-12345-a1B2c3";
    const std::string live = ".song.tvx." + StampText(OwnProcessStamp()) + "-a1B2c3";
    const std::vector<std::string> names = {".song.tvx.a1B2c3", ".song.tvx.zzzzzz", ".song.tvx.abc12",
                                            ".song.tvx.abcdefg", ".song.tvx.ab-def", "song.tvx.abcdef",
                                            ".other.tvx.abcdef", ".song.tvx.bak", gone, live};
    for (const std::string& name : names)
        WriteFileBytes(dir.File(name), {9});
    fs::create_directory(dir.Path() / ".song.tvx.folder");
    fs::create_symlink(dir.File(".other.tvx.abcdef"), dir.Path() / ".song.tvx.link01");

    ASSERT_TRUE(WriteFileAtomically(target, kBytes));
    EXPECT_EQ(ReadFileBytes(target), kBytes);
    EXPECT_EQ(Names(dir.Path()),
              (std::set<std::string>{"song.tvx", ".song.tvx.abc12", ".song.tvx.abcdefg", ".song.tvx.ab-def",
                                     "song.tvx.abcdef", ".other.tvx.abcdef", ".song.tvx.bak", ".song.tvx.folder",
                                     ".song.tvx.link01", live}));
    EXPECT_EQ(ReadFileBytes(dir.File(".other.tvx.abcdef")), std::vector<uint8_t>{9});
}

// A replacement that is still being written holds its temporary file locked: a save of the
// same file beside it neither removes it nor trips over it, and both finish.
TEST(SiblingTempFile, ALiveReplacementKeepsItsTemporaryFile)
{
    TempDir dir;
    const std::string target = dir.File("song.bin");
    ReplacingFile live(target);
    ASSERT_TRUE(live.Create());
    WriteFileBytes(live.TempPath(), {7, 7});

    ASSERT_TRUE(WriteFileAtomically(target, kBytes));
    RemoveStaleSiblingTemps(target);
    ASSERT_TRUE(fs::exists(live.TempPath()));
    EXPECT_EQ(ReadFileBytes(live.TempPath()), (std::vector<uint8_t>{7, 7}));

    ASSERT_TRUE(live.Commit());
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{7, 7}));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"song.bin"});
}

// An abandoned replacement leaves nothing, and a replacement of a file in a folder that does
// not exist fails with the reason in errno.
TEST(SiblingTempFile, FailuresLeaveNothingAndSayWhy)
{
    TempDir dir;
    {
        ReplacingFile abandoned(dir.File("a.wav"));
        ASSERT_TRUE(abandoned.Create());
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));

    std::string temp;
    errno = 0;
    EXPECT_EQ(CreateSiblingTemp(dir.File("missing/a.wav"), temp), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_FALSE(WriteFileAtomically(dir.File("missing/a.tvx"), kBytes));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}
