#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "audio/EnsureMp3Encoder.h"
#include "audio/WavOutFile.h"
#include "cdg/WriteCdgFile.h"
#include "export/CompressedExport.h"
#include "lyrics/LrcWriter.h"
#include "project/KaraokeSong.h"
#include "support/MediaProbe.h"
#include "support/PictureFiles.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kMusicFrames = 44100;
constexpr uint32_t kLeadIn = 8820;
constexpr uint32_t kTail = 4410;

std::vector<int16_t> Tone(size_t frames)
{
    std::vector<int16_t> s(frames * 2);
    for (size_t i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = int16_t(12000 * std::sin(0.0627 * double(i)));
    return s;
}

size_t FilesUnder(const fs::path& folder)
{
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

std::string ZipNames(const TempDir& dir, const std::string& zip)
{
    const std::string list = dir.File("list.txt");
    if (!RunCommand("unzip -Z1 '" + zip + "' > '" + list + "'")) return "(unzip failed)";
    const auto bytes = ReadFileBytes(list);
    return std::string(bytes.begin(), bytes.end());
}

class CompressedExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        Mp3NoticeSettings notices;
        ASSERT_TRUE(EnsureMp3Encoder(prompt, notices)) << "the MP3 encoder library (libmp3lame0) is needed";
        fs::create_directories(out);
        fs::create_directories(temp);
        WavOutFile wav;
        ASSERT_TRUE(wav.Create(dir.File("work.wav"), kRate, 16, 2));
        ASSERT_TRUE(wav.Write(Tone(kMusicFrames)));
        ASSERT_TRUE(wav.Close());
        song.musicPath = dir.File("work.wav");
        song.artist = "The Testers";
        song.title = "Midnight Rain";
        song.lyricText = "Hello world";
        song.GenerateKaraokeLineList(true, true);
        song.words[0]->start = 4410;
        song.words[0]->end = 20000;
        song.words[1]->start = 22050;
        song.words[1]->end = 40000;
        buffer.resize(200000);
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = uint8_t(i * 31 + i / 24);
    }

    CompressedExportResult Run(const std::string& chosen, const ExportChoices& choices)
    {
        return RunCompressedExport(song, ExportStream{buffer, kLeadIn, kTail}, chosen, choices, {}, prompt,
                                   temp.string());
    }

    TempDir dir;
    fs::path out = dir.Path() / "export";
    fs::path temp = dir.Path() / "tmp";
    KaraokeSong song;
    std::vector<uint8_t> buffer;
    PromptRecorder prompt;
};

} // namespace

TEST_F(CompressedExportTest, ZippedMp3WithLrcHoldsAudioCdgAndLrcInThatOrder)
{
    ExportChoices choices;
    choices.type = ExportType::Mp3G;
    choices.zip = true;
    choices.lrc = true;
    choices.lrcFormat = LrcFormat::Enhanced;
    choices.mp3Kbps = 160;
    std::vector<int> seen;
    const auto r = RunCompressedExport(song, ExportStream{buffer, kLeadIn, kTail}, (out / "song.zip").string(), choices,
                                       [&](int p) {
                                           seen.push_back(p);
                                           return true;
                                       },
                                       prompt, temp.string());
    ASSERT_EQ(r.status, WorkStatus::Done);
    EXPECT_TRUE(prompt.entries.empty());
    EXPECT_EQ(r.zipPath, (out / "song.zip").string());
    EXPECT_EQ(fs::path(r.audioPath).filename(), "song.mp3");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    // The duration read back from the MP3 (lead-in, music, tail, and the encoder's last frame).
    const double expectedMs = (kLeadIn + kMusicFrames + kTail) * 1000.0 / kRate;
    EXPECT_NEAR(double(r.durationMs), expectedMs, 60.0);

    EXPECT_EQ(ZipNames(dir, r.zipPath), "song.mp3\nsong.cdg\nsong.lrc\n");
    ASSERT_TRUE(RunCommand("unzip -q '" + r.zipPath + "' -d '" + dir.File("x") + "'"));
    const auto cdg = ReadFileBytes(dir.File("x/song.cdg"));
    EXPECT_EQ(cdg.size(), CdgFileLength(r.durationMs, buffer.size()));
    EXPECT_TRUE(std::equal(cdg.begin(), cdg.end(), buffer.begin()));
    const auto lrc = ReadFileBytes(dir.File("x/song.lrc"));
    EXPECT_EQ(std::string(lrc.begin(), lrc.end()), BuildLrc(song, r.durationMs, kLeadIn, true));
    EXPECT_EQ(ProbeEntry(dir.File("x/song.mp3"), "format_tags=title"), "Midnight Rain");
    EXPECT_EQ(ProbeEntry(dir.File("x/song.mp3"), "format_tags=artist"), "The Testers");

    // The pieces were built in a private folder that is gone; only the archive is left.
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_EQ(FilesUnder(out), 1u);
}

TEST_F(CompressedExportTest, WmaWithoutZipWritesAudioAndCdgBesideEachOther)
{
    ExportChoices choices;
    choices.type = ExportType::WmaG;
    choices.wmaKbps = 192;
    const std::string chosen = (out / "My Song.wma").string();
    const auto r = Run(chosen, choices);
    ASSERT_EQ(r.status, WorkStatus::Done);
    EXPECT_EQ(r.audioPath, chosen);
    EXPECT_EQ(r.cdgPath, (out / "My Song.cdg").string());
    EXPECT_TRUE(r.lrcPath.empty());
    EXPECT_TRUE(r.zipPath.empty());
    EXPECT_EQ(FilesUnder(out), 2u);
    EXPECT_EQ(ProbeEntry(chosen, "stream=codec_name"), "wmav2");
    EXPECT_EQ(ProbeEntry(chosen, "stream=bit_rate"), "192000");
    EXPECT_EQ(ProbeEntry(chosen, "format_tags=title"), "Midnight Rain");
    const double probedMs = std::stod(ProbeEntry(chosen, "format=duration")) * 1000.0;
    EXPECT_NEAR(double(r.durationMs), probedMs, 1.0);
    EXPECT_EQ(ReadFileBytes(r.cdgPath).size(), CdgFileLength(r.durationMs, buffer.size()));
}

TEST_F(CompressedExportTest, ZipThatCannotBeCreatedIsToldAndTheTemporaryPiecesGo)
{
    ExportChoices choices;
    choices.type = ExportType::WmaG;
    choices.zip = true;
    const auto r = Run((out / "missing-folder" / "song.zip").string(), choices);
    EXPECT_EQ(r.status, WorkStatus::Failed);
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text, "An unexpected error occurred while creating the ZIP compressed file.\n\n\"" +
                                          (out / "missing-folder" / "song.zip").string() + "\": No such file or directory.");
    EXPECT_EQ(prompt.entries[0].icon, PromptIcon::Stop);
    EXPECT_TRUE(fs::is_empty(temp));
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(CompressedExportTest, FailedEncodingEndsTheExportBeforeAnyOtherFile)
{
    ExportChoices choices;
    choices.type = ExportType::Mp3G;
    choices.lrc = true;
    song.musicPath = dir.File("no-such-work.wav");
    const auto r = Run((out / "song.mp3").string(), choices);
    EXPECT_EQ(r.status, WorkStatus::Failed);
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text.rfind("Unable to compress the audio file.", 0), 0u) << prompt.entries[0].text;
    EXPECT_TRUE(fs::is_empty(out));
}

// Cancel during the encoding, as BIN and MP4 do: told apart from a failure, nothing said, and
// neither the pair nor its pieces left anywhere.
TEST_F(CompressedExportTest, ACancelIsNoFailureAndLeavesNothing)
{
    for (const ExportType type : {ExportType::Mp3G, ExportType::WmaG}) {
        ExportChoices choices;
        choices.type = type;
        choices.lrc = true;
        int calls = 0;
        const std::string name = type == ExportType::Mp3G ? "song.mp3" : "song.wma";
        const auto r = RunCompressedExport(song, ExportStream{buffer, kLeadIn, kTail}, (out / name).string(), choices,
                                           [&calls](int) { return ++calls < 2; }, prompt, temp.string());
        EXPECT_EQ(r.status, WorkStatus::Cancelled);
        EXPECT_TRUE(prompt.entries.empty()) << prompt.entries[0].text;
        EXPECT_TRUE(fs::is_empty(out));
    }
}

TEST_F(CompressedExportTest, Mp3WithoutTheEncoderLibraryWritesNothing)
{
    ::setenv("TESSAVOX_LAME_LIBRARY", "/nonexistent.so", 1);
    Mp3NoticeSettings notices;
    notices.hideMp3Message = true;
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices, true));
    ExportChoices choices;
    choices.type = ExportType::Mp3G;
    const auto r = Run((out / "song.mp3").string(), choices);
    ::unsetenv("TESSAVOX_LAME_LIBRARY");
    EXPECT_EQ(r.status, WorkStatus::Failed);
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_NE(prompt.entries[0].text.find("libmp3lame0"), std::string::npos) << prompt.entries[0].text;
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_TRUE(EnsureMp3Encoder(prompt, notices, true));
}
