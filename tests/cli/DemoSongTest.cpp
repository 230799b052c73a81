#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

namespace {

const std::string kDemoDir = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/";

} // namespace

// The committed song must be exactly what its generator makes from the committed lyrics.
TEST(DemoSong, GeneratorReproducesTheCommittedFile)
{
    TempDir dir;
    const std::string out = dir.File("twinkle.tvx");
    const CliResult r = RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH, {kDemoDir + "twinkle.txt", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<uint8_t> made = ReadFileBytes(out);
    const std::vector<uint8_t> committed = ReadFileBytes(kDemoDir + "twinkle.tvx");
    ASSERT_FALSE(committed.empty());
    ASSERT_EQ(made.size(), committed.size());
    EXPECT_TRUE(made == committed) << "regenerate with: make_demo_song data/demo/twinkle.txt data/demo/twinkle.tvx";
}

TEST(DemoSong, LoadsWithEachVerseOnItsOwnPagesAndEveryWordTimed)
{
    KaraokeSong song(kDemoDir + "twinkle.tvx");
    ASSERT_TRUE(LoadProject(song));
    EXPECT_EQ(song.artist, "Traditional");
    EXPECT_EQ(song.title, "Twinkle, Twinkle, Little Star");
    EXPECT_EQ(song.musicPath, "");
    ASSERT_NE(song.FindPage(kPageTitle), nullptr);
    EXPECT_EQ(song.FindPage(kPageTitle)->enabled, 1);
    EXPECT_EQ(song.FindPage(kPageTitle)->text, "Twinkle, Twinkle,\nLittle Star\n\nA traditional song");
    EXPECT_EQ(song.FindPage(kPageTitle)->lineStyles.Count(), 3u);
    EXPECT_EQ(song.FindPage(kPageCredits)->enabled, 1);
    EXPECT_FALSE(song.FindPage(kPageCredits)->text.empty());

    // Two verses of six lines, four lines a page, the second verse after a page break.
    const std::vector<int> pages = {0, 0, 0, 0, 1, 1, 2, 2, 2, 2, 3, 3};
    const std::vector<int> slots = {0, 1, 2, 3, 0, 1, 0, 1, 2, 3, 0, 1};
    ASSERT_EQ(song.LineCount(), pages.size());
    uint32_t previousEnd = 0;
    for (size_t i = 0; i < song.LineCount(); ++i) {
        const MKaraokeLine& line = *song.LineAt(i);
        SCOPED_TRACE("line " + std::to_string(i) + " " + line.text);
        EXPECT_EQ(line.page, pages[i]);
        EXPECT_EQ(line.slot, slots[i]);
        EXPECT_EQ(line.newPageBefore, i == 6 ? 1 : 0);
        EXPECT_EQ(line.placed, 1);
        ASSERT_FALSE(line.words.empty());
        for (const MKaraokeWord* word : line.words) {
            EXPECT_GT(word->start, 0u);
            EXPECT_GE(word->start, previousEnd);
            EXPECT_GT(word->end, word->start);
            previousEnd = word->end;
        }
    }
    EXPECT_EQ(song.LineAt(0)->text, "Twin*kle, twin*kle, lit*tle star,");
    EXPECT_EQ(song.LineAt(6)->text, "When the bla*zing sun is gone,");

    // The stored pages agree with the layout the engine computes.
    std::vector<int> stored;
    for (size_t i = 0; i < song.LineCount(); ++i) stored.push_back(song.LineAt(i)->page);
    song.CalcLineAndPageNumbers();
    for (size_t i = 0; i < song.LineCount(); ++i) EXPECT_EQ(song.LineAt(i)->page, stored[i]);
}

TEST(DemoSong, GeneratorRefusesBadArguments)
{
    TempDir dir;
    const CliResult none = RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH, {});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage: make_demo_song"), std::string::npos);

    const CliResult missing = RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH, {dir.File("none.txt"), dir.File("out.tvx")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);

    const CliResult unwritable =
        RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH, {kDemoDir + "twinkle.txt", dir.File("no/such/folder/out.tvx")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}
