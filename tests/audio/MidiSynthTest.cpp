#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "audio/MidiSynth.h"
#include "audio/MusicImport.h"
#include "media/ByteOrder.h"
#include "support/MidiWriter.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

// Two seconds of quarter notes at 120 beats a minute (96 ticks a quarter), and a lyric.
std::string Melody(bool notes = true)
{
    MidiWriter track;
    track.Meta(0, 0x05, "la");
    for (uint32_t tick = 0; notes && tick < 4 * 96; tick += 96) track.Note(tick, 90, 0, 64);
    track.Meta(4 * 96, 0x01, "end");
    return MidiWriter::File({track}, 96);
}

void Write(const std::string& path, const std::string& bytes)
{
    WriteFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

} // namespace

TEST(MidiSynth, RendersAMidiFileIntoTheWorkFileWithProgressAndLeavesItAsItWas)
{
    TempDir dir;
    Write(dir.File("tune.MID"), Melody());
    const auto before = ReadFileBytes(dir.File("tune.MID"));
    EXPECT_TRUE(MidiSynth::IsMidiFile(dir.File("tune.MID")));
    EXPECT_FALSE(MusicImport::IsUsedInPlace(dir.File("tune.MID")));

    MusicImport import(dir.File("work.wav"));
    std::vector<int> percents;
    import.SetProgress([&](int p) {
        percents.push_back(p);
        return true;
    });
    ASSERT_TRUE(import.ImportMusic(dir.File("tune.MID"))) << import.Result().errorText;
    const MusicImportResult& r = import.Result();
    EXPECT_TRUE(r.decoded);
    EXPECT_EQ(r.sampleRate, kRate);
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.bitsPerSample, 16);
    EXPECT_EQ(r.conversionNote.rfind("Rendered from MIDI with the SoundFont /", 0), 0u) << r.conversionNote;
    const auto wav = ReadFileBytes(dir.File("work.wav"));
    ASSERT_GT(wav.size(), 44u);
    // The samples, then the note of the file they came from.
    EXPECT_EQ(GetLe32(&wav[4]), wav.size() - 8);
    EXPECT_EQ(r.dataBytes, GetLe32(&wav[40]));
    ASSERT_GT(wav.size(), 44u + r.dataBytes);
    // Two seconds to the last event, then the notes' release: at most two seconds more.
    const double seconds = double(r.dataBytes) / 4 / kRate;
    EXPECT_GE(seconds, 2.0);
    EXPECT_LE(seconds, 4.1);
    // Sound while the notes play, none before the first note's attack is over... and left and
    // right both carry it.
    int64_t left = 0, right = 0;
    for (size_t i = 44; i + 3 < wav.size() && i < 44 + 4 * kRate; i += 4) {
        left += std::abs(int16_t(GetLe16(&wav[i])));
        right += std::abs(int16_t(GetLe16(&wav[i + 2])));
    }
    EXPECT_GT(left, 1000 * kRate / 100);
    EXPECT_GT(right, 1000 * kRate / 100);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(ReadFileBytes(dir.File("tune.MID")), before);
}

TEST(MidiSynth, CancelAMissingSoundFontAndFilesWithoutMusicFailAndKeepThePreviousWorkFile)
{
    TempDir dir;
    Write(dir.File("tune.kar"), Melody());
    const std::vector<uint8_t> previous = {'o', 'l', 'd'};
    WriteFileBytes(dir.File("work.wav"), previous);
    MusicImport import(dir.File("work.wav"));

    import.SetProgress([](int p) { return p < 20; });
    EXPECT_FALSE(import.ImportMusic(dir.File("tune.kar")));
    EXPECT_EQ(import.Result().errorText, "Decoding was cancelled\n");
    import.SetProgress(nullptr);

    {
        ScopedEnv font("TESSAVOX_SOUNDFONT", dir.File("none.sf2"));
        EXPECT_EQ(MidiSynth::FindSoundFont(), dir.File("none.sf2"));
        EXPECT_FALSE(import.ImportMusic(dir.File("tune.kar")));
        EXPECT_EQ(import.Result().errorText, "The SoundFont could not be loaded: " + dir.File("none.sf2") + "\n");
    }

    Write(dir.File("words.kar"), Melody(false));
    EXPECT_FALSE(import.ImportMusic(dir.File("words.kar")));
    EXPECT_EQ(import.Result().errorText, "The MIDI file holds no music\n");

    Write(dir.File("text.mid"), "not a song at all");
    EXPECT_FALSE(import.ImportMusic(dir.File("text.mid")));
    EXPECT_EQ(import.Result().errorText, "Could not open the specified file: not a MIDI file\n");

    EXPECT_EQ(ReadFileBytes(dir.File("work.wav")), previous);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) ++files;
    EXPECT_EQ(files, 4u); // the three songs and the work file: no partial file left
}
