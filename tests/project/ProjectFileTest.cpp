#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <random>

#include "media/ByteWriter.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"
#include "text/Utf8.h"

namespace {

// A song with something in every stored field.
void FillSong(KaraokeSong& song)
{
    song.settings.singerCount = 2;
    song.settings.linesPerPage = 3;
    song.settings.reserved = 0xDEADBEEF;
    song.settings.reservedByte = 7;
    song.lyricText = "Twin*kle twin*kle\n&l\u00eft*tle st\u00e4r\n^\nHow_I won*der";
    song.musicPath = "/music/song.wav";
    song.eraseLinesFromBottom = 1;
    song.sweepEntireWord = 1;
    song.artist = "Trad\u00e9";
    song.title = "Star";
    song.singerDescriptions = {"Anna", "Ben", "Both"};
    IMAGE_STRUCT* title = song.FindPage(kPageTitle);
    title->text = "Twinkle\nStar";
    title->enabled = 1;
    title->lineStyles.lines.push_back({3, 20, kStyleItalic, "Liberation Serif", kAlignRight});
    title->graphic.truePixels[1000] = 0x55;
    title->graphic.indexPixels[27647] = 0xAB;
    title->graphicShare = 50;
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = 44100;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + 20000;
        w->boxLeft = 1;
        w->boxBottom = 4;
        t += 30000;
    }
    song.lines[0]->placed = 1;
    song.lines[1]->drawTime = -5;
    song.lines[1]->eraseTime = 99;
}

// The Windows-1252 index of a UTF-8 offset of text, as older files count characters.
int32_t OldIndex(const std::string& text, int32_t offset)
{
    return int32_t(CodePointCount(std::string_view(text).substr(0, size_t(std::max(offset, 0)))));
}

// Writes a project in an older layout (strings in Windows-1252), from the fields of song.
std::vector<uint8_t> OldLayout(const KaraokeSong& song, int32_t version)
{
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    SettingsBlock block = song.settings;
    block.version = version;
    const auto b = block.ToBytes();
    out.Bytes(b.data(), b.size());
    out.String(Utf8ToCp1252(song.lyricText));
    out.String(song.musicPath);
    out.U32(static_cast<uint32_t>(song.pages.size()));
    for (const auto& page : song.pages) {
        WritePageImage(out, *page);
        if (version == 500) out.Bytes("0123456789abcdef", 16);
        out.String(Utf8ToCp1252(page->text));
    }
    out.U32(static_cast<uint32_t>(song.lines.size()));
    for (const auto& line : song.lines) {
        out.I32(line->page);
        out.I32(line->drawTime);
        out.I32(line->eraseTime);
        out.I32(line->slot);
        out.U8(line->placed);
        out.U8(line->newPageBefore);
        if (version >= 500) {
            out.I32(line->colour);
            out.U8(line->secondSinger);
        }
        out.String(Utf8ToCp1252(line->text));
        out.U32(static_cast<uint32_t>(line->words.size()));
        for (const MKaraokeWord* w : line->words) {
            MKaraokeWord old = *w;
            old.first = OldIndex(line->text, w->first);
            old.last = OldIndex(line->text, w->last + 1) - 1;
            WriteWordElement(out, old);
        }
    }
    return bytes;
}

WorkOutcome LoadFrom(KaraokeSong& song, const std::vector<uint8_t>& bytes)
{
    return LoadProjectBytes(song, bytes);
}

} // namespace

TEST(ProjectFile, NewSongStartsWithTheDefaultSettingsBlockAndThreePages)
{
    KaraokeSong song;
    const std::vector<uint8_t> bytes = SerializeProject(song);
    const std::vector<uint8_t> head = {
        0x58, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x0E, 0x00, 0x00, 0x00, 0xEC, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xB8, 0x0B, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00,
        // lyric text, music path, erase lines, sweep entire word, artist, title, 3 descriptions
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x03, 0x00, 0x00, 0x00, // page count
        0x65, 0x00, 0x00, 0x00, // kind 101
    };
    ASSERT_GE(bytes.size(), head.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + head.size()), head);
    // Three pages of image, style count and text, then a line count of 0.
    EXPECT_EQ(bytes.size(), 52 + 9 * 4 + 4 + 3 * (kPageImageBytes + 8) + 4);
    // The face name sits at offset 12 of the page image.
    const size_t page0 = 52 + 9 * 4 + 4;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[page0 + 12]), 5), "Arial");
    EXPECT_EQ(bytes[page0 + 12 + 5], 0);
    EXPECT_EQ(bytes[page0 + 249164], 200); // hold time
    EXPECT_EQ(bytes[page0 + 249140], 15);  // background slot
}

TEST(ProjectFile, SaveAndLoadGiveTheSameSongAndTheSameBytes)
{
    TempDir dir;
    KaraokeSong song(dir.File("song.tvx"));
    FillSong(song);
    ASSERT_TRUE(SaveProject(song));
    const std::vector<uint8_t> first = ReadFileBytes(song.projectPath);
    EXPECT_EQ(first, SerializeProject(song));

    KaraokeSong loaded(dir.File("song.tvx"));
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_EQ(loaded.lyricText, song.lyricText);
    EXPECT_EQ(loaded.artist, "Trad\u00e9");
    EXPECT_EQ(loaded.singerDescriptions[2], "Both");
    EXPECT_EQ(loaded.settings.reserved, 0xDEADBEEFu);
    EXPECT_EQ(loaded.settings.reservedByte, 7);
    ASSERT_EQ(loaded.LineCount(), song.LineCount());
    ASSERT_EQ(loaded.words.size(), song.words.size());
    for (size_t i = 0; i < song.LineCount(); ++i) {
        EXPECT_EQ(loaded.lines[i]->text, song.lines[i]->text);
        EXPECT_EQ(loaded.lines[i]->secondSinger, song.lines[i]->secondSinger);
        ASSERT_EQ(loaded.lines[i]->words.size(), song.lines[i]->words.size());
        for (size_t w = 0; w < song.lines[i]->words.size(); ++w) {
            EXPECT_EQ(loaded.lines[i]->words[w]->line, loaded.lines[i].get());
            EXPECT_EQ(loaded.lines[i]->words[w]->first, song.lines[i]->words[w]->first);
            EXPECT_EQ(loaded.lines[i]->words[w]->last, song.lines[i]->words[w]->last);
        }
    }
    EXPECT_EQ(loaded.words.back()->start, song.words.back()->start);
    const IMAGE_STRUCT* title = loaded.FindPage(kPageTitle);
    ASSERT_EQ(title->lineStyles.Count(), 1u);
    EXPECT_EQ(title->lineStyles.FaceName(0), "Liberation Serif");
    EXPECT_EQ(title->graphic.indexPixels[27647], 0xAB);

    loaded.projectPath = dir.File("again.tvx");
    ASSERT_TRUE(SaveProject(loaded));
    EXPECT_EQ(ReadFileBytes(loaded.projectPath), first);

    // Text that Windows-1252 holds is stored in it, the format every earlier version reads: one
    // byte a character, and the word indices count characters. Any other character makes the
    // file the newer version, whose strings are UTF-8, and it reads back the same.
    EXPECT_EQ(first[0] | first[1] << 8, kProjectVersion);
    const std::string stored = "&l\xEFt*tle st\xE4r";
    EXPECT_NE(std::string(first.begin(), first.end()).find(stored), std::string::npos);
    loaded.lyricText += " \u6771\u4eac";
    loaded.GenerateKaraokeLineList(true, false);
    loaded.projectPath = dir.File("unicode.tvx");
    ASSERT_TRUE(SaveProject(loaded));
    const std::vector<uint8_t> unicode = ReadFileBytes(loaded.projectPath);
    EXPECT_EQ(unicode[0] | unicode[1] << 8, kUnicodeProjectVersion);
    KaraokeSong again(loaded.projectPath);
    ASSERT_TRUE(LoadProject(again));
    EXPECT_EQ(again.lyricText, loaded.lyricText);
    EXPECT_EQ(SerializeProject(again), unicode);

    // Singer guidance turned on makes the file the next version, with the settings after the
    // lines; it reads back whole, and turned off again the song saves as before.
    again.guidance.countIn = true;
    again.guidance.countInGapMs = 7500;
    again.guidance.noticeText = "\u266b Solo \u266b";
    const std::vector<uint8_t> guided = SerializeProject(again);
    EXPECT_EQ(guided[0] | guided[1] << 8, kGuidanceProjectVersion);
    KaraokeSong guidedAgain;
    ASSERT_TRUE(LoadFrom(guidedAgain, guided));
    EXPECT_EQ(guidedAgain.guidance, again.guidance);
    EXPECT_EQ(guidedAgain.lyricText, again.lyricText);
    guidedAgain.guidance.countIn = false;
    EXPECT_EQ(SerializeProject(guidedAgain), unicode);

    // No temporary files are left beside the project.
    size_t files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 3u);
}

TEST(ProjectFile, OlderVersionsLoadWithTheirOwnLayoutAndSaveAsCurrent)
{
    KaraokeSong source;
    FillSong(source);
    for (int32_t version : {400, 450, 499, 500, 501, 550, 599}) {
        SCOPED_TRACE(version);
        KaraokeSong song;
        const WorkOutcome loaded = LoadFrom(song, OldLayout(source, version));
        ASSERT_TRUE(loaded) << loaded.message;
        EXPECT_EQ(song.settings.version, 600);
        EXPECT_EQ(song.lyricText, source.lyricText);
        EXPECT_EQ(song.artist, "");
        EXPECT_EQ(song.eraseLinesFromBottom, 0);
        EXPECT_EQ(song.sweepEntireWord, 0u);
        EXPECT_EQ(song.FindPage(kPageTitle)->lineStyles.Count(), 0u);
        EXPECT_EQ(song.FindPage(kPageTitle)->text, "Twinkle\nStar");
        ASSERT_EQ(song.LineCount(), source.LineCount());
        const MKaraokeLine& second = *song.lines[1];
        if (version < 500) {
            EXPECT_EQ(second.colour, 12);
            EXPECT_EQ(second.secondSinger, 0);
        } else {
            EXPECT_EQ(second.colour, 9);
            EXPECT_EQ(second.secondSinger, 1);
        }
        EXPECT_EQ(song.words.back()->end, source.words.back()->end);

        // Saved again, it is a current file with the new items present and empty.
        const std::vector<uint8_t> saved = SerializeProject(song);
        EXPECT_EQ(saved[0], 0x58);
        EXPECT_EQ(saved[1], 0x02);
        KaraokeSong again;
        ASSERT_TRUE(LoadFrom(again, saved));
        EXPECT_EQ(SerializeProject(again), saved);
    }
}

TEST(ProjectFile, RefusedVersionsAndShortFilesSayWhy)
{
    KaraokeSong source;
    struct Case {
        int32_t version;
        const char* message;
    };
    for (const Case& c : {Case{601, kMsgProjectTooNew}, Case{701, kMsgProjectTooNew}, Case{801, kMsgProjectTooNew}, Case{399, kMsgProjectTooOld}, Case{-1, kMsgProjectTooOld},
                          Case{0x7FFFFFFF, kMsgProjectTooNew}}) {
        std::vector<uint8_t> bytes = SerializeProject(source);
        PutLe32(bytes.data(), static_cast<uint32_t>(c.version));
        KaraokeSong song;
        song.lyricText = "untouched";
        const WorkOutcome loaded = LoadFrom(song, bytes);
        EXPECT_EQ(loaded.status, WorkStatus::Failed);
        EXPECT_EQ(loaded.message, c.message);
        EXPECT_EQ(song.lyricText, "untouched");
    }
    EXPECT_EQ(std::string(kMsgProjectTooNew),
              "The project file is from a newer version of Tessavox.\nIt cannot be opened by this version.");
    EXPECT_EQ(std::string(kMsgProjectTooOld),
              "The project file is from an old version of Tessavox.\nIt cannot be migrated to the current version.");

    // A file no program of ours wrote is called that, whatever its first word says; one that
    // starts as a project but stops inside its settings is a damaged project.
    const std::vector<uint8_t> project = SerializeProject(source);
    std::vector<uint8_t> random(100 * 1024);
    std::mt19937 rng(5);
    for (uint8_t& b : random) b = uint8_t(rng());
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0x24, 0x08, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    wav.resize(2092);
    struct Refused {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const std::vector<Refused> refused = {
        {"empty", {}, kMsgNotAProject},
        {"3 bytes", {0x58, 0x02, 0}, kMsgNotAProject},
        {"51 zeros", std::vector<uint8_t>(51, 0), kMsgNotAProject},
        {"random bytes", random, kMsgNotAProject},
        {"a WAV", wav, kMsgNotAProject},
        {"51 bytes of a project", {project.begin(), project.begin() + 51}, kMsgProjectCorrupted},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.name);
        KaraokeSong song;
        const WorkOutcome loaded = LoadFrom(song, c.bytes);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(loaded.message, c.message);
    }
    EXPECT_EQ(std::string(kMsgNotAProject), "The file is not a Tessavox project file.");

    KaraokeSong song;
    TempDir dir;
    song.projectPath = dir.File("missing.tvx");
    EXPECT_EQ(LoadProject(song).message, "Cannot open the project file.");
    song.projectPath = dir.Path().string(); // a folder, not a file
    EXPECT_EQ(LoadProject(song).message, "Cannot open the project file.");
}

TEST(ProjectFile, TruncatedFilesSaySoAtEveryOffset)
{
    // A small project without pages: every offset is cut. One song takes every failed load, and
    // none of them changes it.
    KaraokeSong small;
    FillSong(small);
    small.ClearPages();
    const std::vector<uint8_t> full = SerializeProject(small);
    KaraokeSong song;
    song.lyricText = "before";
    for (size_t cut = 52; cut < full.size(); ++cut) {
        const WorkOutcome loaded = LoadProjectBytes(song, std::span(full.data(), cut));
        ASSERT_EQ(loaded.status, WorkStatus::Failed) << cut;
        ASSERT_EQ(loaded.message, kMsgProjectEndsEarly) << cut;
        ASSERT_EQ(song.lyricText, "before") << cut;
    }
    KaraokeSong whole;
    EXPECT_TRUE(LoadFrom(whole, full));

    // With pages: every offset of the fields around the images (before the first page's pixels,
    // and from the last page's last pixels through its fields and the lines), and a sample
    // inside them.
    KaraokeSong big;
    FillSong(big);
    const std::vector<uint8_t> bytes = SerializeProject(big);
    std::vector<size_t> cuts;
    const size_t firstPage = 52 + 4 + big.lyricText.size() + 4 + big.musicPath.size() + 8 + 4 + big.artist.size() +
                             4 + big.title.size() + 4 * 3 + 4 + 4 + 3;
    for (size_t c = 52; c < firstPage + 300; ++c) cuts.push_back(c);
    // The lines take as much after the pages as after none; a page's fields after its pixels
    // and its text take well under the margin.
    constexpr size_t kLastPageFields = 600;
    const size_t tail = full.size() - firstPage + kLastPageFields;
    for (size_t c = bytes.size() - tail; c < bytes.size(); ++c) cuts.push_back(c);
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) cuts.push_back(52 + rng() % (bytes.size() - 52));
    for (size_t cut : cuts) ASSERT_FALSE(LoadProjectBytes(song, std::span(bytes.data(), cut))) << cut;
    EXPECT_EQ(song.lyricText, "before");
}

TEST(ProjectFile, HugeCountsAreShortReadsNotAllocations)
{
    KaraokeSong source;
    source.ClearPages();
    std::vector<uint8_t> bytes = SerializeProject(source);
    // Lyric text count at offset 52: claim 4 GB.
    std::vector<uint8_t> hugeText = bytes;
    PutLe32(&hugeText[52], 0xFFFFFFFF);
    KaraokeSong song;
    EXPECT_FALSE(LoadFrom(song, hugeText));

    // Page count and line count claim billions of records.
    std::vector<uint8_t> hugePages = bytes;
    const size_t pageCountAt = bytes.size() - 8;
    PutLe32(&hugePages[pageCountAt], 0x7FFFFFFF);
    EXPECT_FALSE(LoadFrom(song, hugePages));
    std::vector<uint8_t> hugeLines = bytes;
    PutLe32(&hugeLines[bytes.size() - 4], 0xFFFFFFFF);
    EXPECT_FALSE(LoadFrom(song, hugeLines));
}

TEST(ProjectFile, RandomCorruptionNeverCrashes)
{
    KaraokeSong source;
    FillSong(source);
    source.ClearPages();
    const std::vector<uint8_t> good = SerializeProject(source);
    std::mt19937 rng(11);
    // A load replaces everything a project holds (and a failed one nothing), so two songs serve
    // every round; a field a load left behind would show in the bytes saved again.
    KaraokeSong song, again;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        const int flips = 1 + int(rng() % 8);
        for (int f = 0; f < flips; ++f) bytes[52 + rng() % (bytes.size() - 52)] = uint8_t(rng());
        if (LoadFrom(song, bytes)) {
            // Whatever loaded saves and reloads to the same bytes.
            const auto saved = SerializeProject(song);
            ASSERT_TRUE(LoadFrom(again, saved));
            ASSERT_EQ(SerializeProject(again), saved);
        }
    }
}

TEST(ProjectFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    KaraokeSong song(dir.File("song.tvx"));
    song.lyricText = "old";
    ASSERT_TRUE(SaveProject(song));
    const std::vector<uint8_t> old = ReadFileBytes(song.projectPath);

    // The target is a folder: the rename fails after a complete write.
    std::filesystem::create_directory(dir.File("folder.tvx"));
    song.projectPath = dir.File("folder.tvx");
    song.lyricText = "new";
    EXPECT_FALSE(SaveProject(song));

    // A folder that does not exist.
    song.projectPath = dir.File("no/such/folder/song.tvx");
    EXPECT_FALSE(SaveProject(song));

    EXPECT_EQ(ReadFileBytes(dir.File("song.tvx")), old);
    size_t entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 2u); // song.tvx and folder.tvx only

    // A read-only old file is replaced and the new one is writable by its owner.
    std::filesystem::permissions(dir.File("song.tvx"), std::filesystem::perms::owner_read);
    song.projectPath = dir.File("song.tvx");
    ASSERT_TRUE(SaveProject(song));
    const auto perms = std::filesystem::status(song.projectPath).permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
}
