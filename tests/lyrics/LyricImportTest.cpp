#include <gtest/gtest.h>

#include "lyrics/LrcWriter.h"
#include "lyrics/LyricImport.h"
#include "lyrics/LyricText.h"
#include "project/KaraokeSong.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

void Write(const std::string& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

TEST(LyricImport, KindsComeFromTheExtension)
{
    EXPECT_EQ(LyricKindOf("/a/b/song.TXT"), LyricFileKind::Text);
    EXPECT_EQ(LyricKindOf("song.lrc"), LyricFileKind::Lrc);
    EXPECT_EQ(LyricKindOf("song.kar"), LyricFileKind::Midi);
    EXPECT_EQ(LyricKindOf("song.MIDI"), LyricFileKind::Midi);
    EXPECT_EQ(LyricKindOf("song.mid"), LyricFileKind::Midi);
    EXPECT_EQ(LyricKindOf("song.doc"), LyricFileKind::Other);
    EXPECT_EQ(LyricKindOf("/a.b/song"), LyricFileKind::Other);
}

TEST(LyricImport, TextFilesGetCrLfAndEveryCharacterOfTheirEncoding)
{
    EXPECT_EQ(ConvertPlainLyrics("a\nb\r\nc"), "a\r\nb\r\nc");
    const std::vector<uint8_t> utf16 = {0xFF, 0xFE, 'H', 0, 0xE9, 0, '\r', 0, '\n', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
    LrcDocument lrc;
    EXPECT_EQ(LyricTextFromBytes(LyricFileKind::Text, utf16, lrc), "H\u00e9\r\n\u20ac\U0001F600");
    // An old file in Windows-1252 with UTF-8 punctuation pasted into it keeps both.
    const std::string mixed = "c\xE2\x80\x99s ch\xE2teau \x96 ok";
    EXPECT_EQ(LyricTextFromBytes(LyricFileKind::Text, std::vector<uint8_t>(mixed.begin(), mixed.end()), lrc),
              "c\u2019s ch\u00e2teau \u2013 ok");
}

namespace {

// UTF-16 of an ASCII-and-Latin-1 text, little- or big-endian, with its mark.
std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char lo = char(c & 0xFF), hi = char(c >> 8);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

} // namespace

TEST(LyricImport, EveryEncodingOfTheSameSongGivesTheSameLyricsAndTags)
{
    TempDir dir;
    const std::string cp1252Lrc = "[ti:Caf\xE9]\n[ar:Zo\xEB \x96 Band]\n[00:01.00]Caf\xE9 cr\xE8me br\xFBl\xE9""e\n";
    const std::string utf8Lrc = "[ti:Caf\xC3\xA9]\n[ar:Zo\xC3\xAB \xE2\x80\x93 Band]\n[00:01.00]Caf\xC3\xA9 cr\xC3\xA8me br\xC3\xBBl\xC3\xA9""e\n";
    const std::u16string utf16Lrc = u"[ti:Caf\u00e9]\n[ar:Zo\u00eb \u2013 Band]\n[00:01.00]Caf\u00e9 cr\u00e8me br\u00fbl\u00e9""e\n";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"1252", cp1252Lrc}, {"utf8", utf8Lrc}, {"utf8-mark", "\xEF\xBB\xBF" + utf8Lrc},
        {"utf16le", Utf16(utf16Lrc, false)}, {"utf16be", Utf16(utf16Lrc, true)}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        for (const char* ext : {".lrc", ".txt"}) {
            PromptRecorder prompt;
            KaraokeSong song;
            LrcDocument lrc;
            Write(dir.File(name + ext), bytes);
            ASSERT_TRUE(ImportLyricFile(song, dir.File(name + ext), lrc, prompt));
            EXPECT_TRUE(prompt.entries.empty());
            if (std::string(ext) == ".lrc") {
                EXPECT_EQ(song.lyricText, "Caf\u00e9 cr\u00e8me br\u00fbl\u00e9""e");
                EXPECT_EQ(lrc.title, "Caf\u00e9");
                EXPECT_EQ(lrc.artist, "Zo\u00eb \u2013 Band");
            } else {
                EXPECT_EQ(song.lyricText,
                          "[ti:Caf\u00e9]\r\n[ar:Zo\u00eb \u2013 Band]\r\n[00:01.00]Caf\u00e9 cr\u00e8me br\u00fbl\u00e9""e");
            }
        }
    }

    // Old files in Japanese (Shift-JIS) and Russian (Windows-1251) read as such.
    for (const auto& [bytes, text] : std::vector<std::pair<std::string, std::string>>{
             {"\x82\xB3\x82\xAD\x82\xE7 \x8D\xE7\n", "\u3055\u304f\u3089 \u54b2"},
             {"\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0\n", "\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440"}}) {
        KaraokeSong song;
        LrcDocument lrc;
        PromptRecorder prompt;
        Write(dir.File("legacy.txt"), bytes);
        ASSERT_TRUE(ImportLyricFile(song, dir.File("legacy.txt"), lrc, prompt));
        EXPECT_EQ(song.lyricText, text);
        EXPECT_TRUE(prompt.entries.empty());
    }

    // Every character is kept; what no installed face can draw is named with its line.
    PromptRecorder prompt;
    KaraokeSong song;
    LrcDocument lrc;
    Write(dir.File("stars.txt"), "Twinkle \xE2\x98\x85 star\nLittle \xC5\x82\xC3\xB3" "d\xC5\xBA \xEE\x80\x80\n");
    ASSERT_TRUE(ImportLyricFile(song, dir.File("stars.txt"), lrc, prompt));
    EXPECT_EQ(song.lyricText, "Twinkle \u2605 star\r\nLittle \u0142\u00f3""d\u017a \ue000");
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].icon, PromptIcon::Warning);
    EXPECT_EQ(prompt.entries[0].text, std::string(kMsgLyricCharactersUndrawable) + "line 2: \"\ue000\" (U+E000)\n");
}

TEST(LyricImport, ImportReplacesTheLyricsAndDropsOldTiming)
{
    TempDir dir;
    PromptRecorder prompt;
    KaraokeSong song;
    song.lyricText = "old words";
    song.GenerateKaraokeLineList(true, false);
    song.words[0]->start = 1000;

    // A blank line inside the text stays a line of the song; the final line feed adds none.
    Write(dir.File("new.txt"), "new words\n\nsecond line\n");
    LrcDocument lrc;
    ASSERT_TRUE(ImportLyricFile(song, dir.File("new.txt"), lrc, prompt));
    EXPECT_TRUE(prompt.entries.empty());
    EXPECT_EQ(song.lyricText, "new words\r\n\r\nsecond line");
    ASSERT_EQ(song.LineCount(), 3u);
    EXPECT_EQ(song.lines[1]->text, "");
    EXPECT_EQ(song.words[0]->start, 0u);
    EXPECT_TRUE(lrc.lines.empty());

    // An UltraStar song likewise gets one line of the song for each of its lines.
    Write(dir.File("notes.txt"), "#BPM:300\n: 0 2 0 one\n- 4\n: 6 2 0 two\nE\n");
    ASSERT_TRUE(ImportLyricFile(song, dir.File("notes.txt"), lrc, prompt));
    EXPECT_EQ(song.lyricText, "one\r\ntwo");
    EXPECT_EQ(song.LineCount(), lrc.lines.size());
}

TEST(LyricImport, FailuresTellTheUserAndKeepTheSong)
{
    TempDir dir;
    PromptRecorder prompt;
    KaraokeSong song;
    song.lyricText = "keep me";
    LrcDocument lrc;

    EXPECT_FALSE(ImportLyricFile(song, dir.File("missing.txt"), lrc, prompt));
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text, "Error: Unable to open lyric file.");
    EXPECT_EQ(prompt.entries[0].icon, PromptIcon::Warning);

    Write(dir.File("empty.txt"), "");
    Write(dir.File("junk.kar"), "this is not midi at all");
    Write(dir.File("untimed.lrc"), "[ti:Only a title]\nplain words\n");
    for (const char* name : {"empty.txt", "junk.kar", "untimed.lrc"}) {
        SCOPED_TRACE(name);
        const size_t before = prompt.entries.size();
        EXPECT_FALSE(ImportLyricFile(song, dir.File(name), lrc, prompt));
        ASSERT_EQ(prompt.entries.size(), before + 1);
        EXPECT_EQ(prompt.entries.back().text,
                  "There was an error opening or reading the Lyrics file,\nor the Lyrics file contained no Lyrics.\n\n"
                  "Please check the file and try again.");
        EXPECT_EQ(prompt.entries.back().icon, PromptIcon::Stop);
    }
    // Beyond the size a lyric file can have, nothing is read.
    WriteFileBytes(dir.File("huge.txt"), std::vector<uint8_t>(kMaxLyricFileBytes + 1, 'a'));
    EXPECT_FALSE(ImportLyricFile(song, dir.File("huge.txt"), lrc, prompt));
    EXPECT_EQ(prompt.entries.back().text, "Error: Memory Allocation failed.");
    EXPECT_EQ(prompt.entries.back().icon, PromptIcon::Warning);
    // An unknown kind ends quietly.
    Write(dir.File("notes.doc"), "words");
    const size_t before = prompt.entries.size();
    EXPECT_FALSE(ImportLyricFile(song, dir.File("notes.doc"), lrc, prompt));
    EXPECT_EQ(prompt.entries.size(), before);
    EXPECT_EQ(song.lyricText, "keep me");
}

TEST(LyricImport, EnhancedLrcTimesLandOnEverySyllable)
{
    TempDir dir;
    PromptRecorder prompt;
    KaraokeSong song;
    Write(dir.File("star.lrc"),
          "[ti:Star]\r\n[00:02.00]<00:02.00>Twin<00:02.50>kle <00:03.00>twin<00:03.50>kle<00:04.00>\r\n"
          "[00:05.00]<00:05.00>lit<00:05.40>tle <00:06.00>star<00:07.00>\r\n");
    LrcDocument lrc;
    ASSERT_TRUE(ImportLyricFile(song, dir.File("star.lrc"), lrc, prompt));
    ASSERT_TRUE(ApplyLrcTiming(song, lrc, prompt));
    EXPECT_TRUE(prompt.entries.empty());
    ASSERT_EQ(song.LineCount(), 2u); // the file's final line feed ends its last line, no more
    const MKaraokeLine& first = *song.lines[0];
    EXPECT_EQ(first.text, "Twin*kle twin*kle");
    EXPECT_EQ(first.placed, 1);
    ASSERT_EQ(first.words.size(), 4u);
    const uint32_t starts[] = {200 * 441, 250 * 441, 300 * 441, 350 * 441};
    const char* texts[] = {"Twin", "kle", "twin", "kle"};
    for (size_t j = 0; j < 4; ++j) {
        const MKaraokeWord& w = *first.words[j];
        EXPECT_EQ(w.start, starts[j]) << j;
        EXPECT_EQ(first.text.substr(size_t(w.first), size_t(w.last - w.first + 1)), texts[j]) << j;
    }
    // A word ends on its closing tag, and exporting gives back the file's lines as they were.
    EXPECT_EQ(first.words[3]->end, 400u * 441);
    EXPECT_EQ(song.lines[1]->words[2]->start, 600u * 441);
    EXPECT_EQ(song.lines[1]->words[2]->end, 700u * 441);
    EXPECT_EQ(BuildLrc(song, 0, 0, true),
              "\r\n[00:02.00]<00:02.00>Twin<00:02.50>kle <00:03.00>twin<00:03.50>kle<00:04.00>\r\n"
              "[00:05.00]<00:05.00>lit<00:05.40>tle <00:06.00>star<00:07.00>\r\n");

    // Importing over placed lyrics asks first; No keeps the times.
    song.words[0]->start = 12345;
    prompt.answer = PromptAnswer::No;
    EXPECT_FALSE(ApplyLrcTiming(song, lrc, prompt));
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_TRUE(prompt.entries[0].question);
    EXPECT_EQ(prompt.entries[0].icon, PromptIcon::Question);
    EXPECT_EQ(song.words[0]->start, 12345u);
    prompt.answer = PromptAnswer::Yes;
    EXPECT_TRUE(ApplyLrcTiming(song, lrc, prompt));
    EXPECT_EQ(song.words[0]->start, 200u * 441);
}

TEST(LyricImport, TimingStopsAtTheShorterList)
{
    PromptRecorder prompt;
    KaraokeSong song;
    song.lyricText = "a b c\nd\ne f";
    song.GenerateKaraokeLineList(true, false);
    LrcDocument lrc;
    lrc.lines.resize(2);
    lrc.lines[0].elements = {{100, 199, "a"}, {200, 299, "b"}};
    lrc.lines[1].elements = {{300, 399, "d"}, {400, 499, "extra"}};
    ASSERT_TRUE(ApplyLrcTiming(song, lrc, prompt));
    EXPECT_EQ(song.lines[0]->words[1]->start, 200u * 441);
    EXPECT_EQ(song.lines[0]->words[2]->start, 0u);
    EXPECT_EQ(song.lines[1]->words[0]->start, 300u * 441);
    EXPECT_EQ(song.lines[2]->placed, 0);
    EXPECT_EQ(song.lines[2]->words[0]->start, 0u);
}
