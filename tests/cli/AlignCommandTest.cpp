#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "align/AlignedWord.h"
#include "audio/WavOutFile.h"
#include "cli/CliRunner.h"
#include "cli/JsonValue.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 44100;
// How far a word's start may be from where its sound begins: 0.3 s, the benchmark's measure of
// a word timed well enough to be adjusted by ear rather than placed again.
constexpr int kToleranceSamples = kRate * 3 / 10;

// Two lyric lines spoken word by word by flite into a vocal track, each word where the test
// put it; the truth is where each word's sound begins (its first 5 ms within 30 dB of its
// loudest). The project's music is a quiet tone as long as the singing, and every word starts
// timed where the singing is not.
struct SpokenSong {
    TempDir dir;
    std::string vocals = dir.File("vocals.wav");
    std::string music = dir.File("music.wav");
    std::string project = dir.File("song.tvx");
    std::vector<std::string> lines = {"morning light is falling", "carry me across the water"};
    std::string lyrics = lines[0] + "\n" + lines[1];
    std::vector<int64_t> truth;
    // Words sung before the first line that no lyric line holds (a shout, a backing vocal).
    std::vector<std::string> intro;
    // The music is the singing and the tone together (a full mix), not the tone alone.
    bool mixed = false;
    bool made = false;

    void Make()
    {
        std::vector<int16_t> track(kRate, 0);
        for (const std::string& shout : intro) {
            const std::vector<int16_t> word = Speak(shout);
            track.insert(track.end(), word.begin(), word.end());
            track.insert(track.end(), size_t(kRate / 8), 0);
        }
        if (!intro.empty()) track.insert(track.end(), size_t(kRate), 0);
        for (size_t l = 0; l < lines.size(); ++l) {
            size_t at = 0;
            while (at < lines[l].size()) {
                size_t space = lines[l].find(' ', at);
                if (space == std::string::npos) space = lines[l].size();
                const std::vector<int16_t> word = Speak(lines[l].substr(at, space - at));
                if (word.empty()) return;
                truth.push_back(int64_t(track.size()) + Onset(word));
                track.insert(track.end(), word.begin(), word.end());
                track.insert(track.end(), size_t(kRate / 8), 0);
                at = space + 1;
            }
            track.insert(track.end(), size_t(kRate) * 3 / 2, 0);
        }
        WavOutFile vocalFile;
        ASSERT_TRUE(vocalFile.Create(vocals, kRate, 16, 1));
        ASSERT_TRUE(vocalFile.Write(track));
        ASSERT_TRUE(vocalFile.Close());
        std::vector<int16_t> tone(track.size() * 2);
        for (size_t f = 0; f < track.size(); ++f)
            tone[2 * f] = tone[2 * f + 1] = int16_t(std::lround(600 * std::sin(2 * M_PI * 220 * double(f) / kRate)) +
                                                    (mixed ? track[f] / 2 : 0));
        WavOutFile musicFile;
        ASSERT_TRUE(musicFile.Create(music, kRate, 16, 2));
        ASSERT_TRUE(musicFile.Write(tone));
        ASSERT_TRUE(musicFile.Close());

        KaraokeSong song(project);
        song.musicPath = music;
        song.lyricText = lyrics;
        song.GenerateKaraokeLineList(true, true);
        ASSERT_EQ(song.words.size(), truth.size());
        for (size_t k = 0; k < song.words.size(); ++k) {
            song.words[k]->start = uint32_t(track.size() + k * kRate / 10);
            song.words[k]->end = song.words[k]->start + kRate / 20;
        }
        ASSERT_TRUE(SaveProject(song));
        made = true;
    }

    // The word as flite says it, 44,100 Hz mono.
    std::vector<int16_t> Speak(const std::string& word)
    {
        const std::string spoken = dir.File("word.wav"), raw = dir.File("word.raw");
        EXPECT_EQ(RunProgram("flite", {"-voice", "slt", "-t", word, "-o", spoken}).status, 0) << "flite is needed";
        EXPECT_EQ(RunProgram("sox", {spoken, "-r", "44100", "-c", "1", "-b", "16", "-e", "signed", "-t", "raw", raw})
                      .status,
                  0);
        const std::vector<uint8_t> bytes = ReadFileBytes(raw);
        std::vector<int16_t> samples(bytes.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
        return samples;
    }

    static int64_t Onset(const std::vector<int16_t>& s)
    {
        constexpr size_t kWindow = kRate / 200;
        std::vector<double> levels;
        for (size_t i = 0; i + kWindow <= s.size(); i += kWindow) {
            double energy = 0;
            for (size_t k = i; k < i + kWindow; ++k) energy += double(s[k]) * s[k];
            levels.push_back(std::sqrt(energy / kWindow));
        }
        double peak = 0;
        for (double v : levels) peak = std::max(peak, v);
        for (size_t w = 0; w < levels.size(); ++w)
            if (levels[w] >= peak * std::pow(10.0, -30.0 / 20)) return int64_t(w * kWindow);
        return 0;
    }
};

std::vector<uint32_t> Starts(const KaraokeSong& song)
{
    std::vector<uint32_t> starts;
    for (const auto& w : song.words) starts.push_back(w->start);
    return starts;
}

} // namespace

// A user times a spoken song from its vocal track into a new project: every word's start lands
// on its sound, the project and the vocal track are left as they were, and applying the same
// times to the open song is one step that Undo takes back whole. A project made with
// new --align from the vocal track alone is timed as well.
TEST(AlignCommand, TimesEachWordFromTheVocalTrackAndUndoTakesTheStepBack)
{
    SpokenSong song;
    ASSERT_NO_FATAL_FAILURE(song.Make());
    ASSERT_TRUE(song.made);
    const auto projectBefore = ReadFileBytes(song.project), vocalsBefore = ReadFileBytes(song.vocals);

    // A vocal track that is not there is named, and nothing is written.
    const CliResult missing =
        RunCli({"align", song.project, "--vocals", song.dir.File("none.wav"), "-o", song.dir.File("out.tvx")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.wav: No such file or directory"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(song.dir.File("out.tvx")));

    const std::string out = song.dir.File("out.tvx");
    const CliResult run = RunCli({"align", song.project, "--vocals", song.vocals, "-o", out, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    JsonValue json;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(run.out, json, error)) << error << "\n" << run.out;
    const JsonValue& words = json["words"];
    ASSERT_EQ(words.size(), song.truth.size());
    std::vector<AlignedWord> times;
    for (size_t k = 0; k < words.size(); ++k) {
        const JsonValue& w = words[k];
        EXPECT_NEAR(double(w["start"].AsInt()), double(song.truth[k]), kToleranceSamples)
            << "word " << k << " \"" << w["text"].AsString() << "\"";
        EXPECT_GE(w["end"].AsInt(), w["start"].AsInt());
        EXPECT_EQ(w["line"].AsInt(), k < 4 ? 0 : 1);
        AlignedWord t;
        t.element = k;
        t.start = uint32_t(w["start"].AsInt());
        t.end = uint32_t(w["end"].AsInt());
        times.push_back(t);
    }
    EXPECT_EQ(words[5]["text"].AsString(), "me");
    EXPECT_EQ(ReadFileBytes(song.project), projectBefore);
    EXPECT_EQ(ReadFileBytes(song.vocals), vocalsBefore);

    // The written project holds the times printed, its lines placed.
    KaraokeSong written(out);
    ASSERT_TRUE(LoadProject(written));
    for (size_t k = 0; k < times.size(); ++k) EXPECT_EQ(written.words[k]->start, times[k].start);
    for (const auto& line : written.lines) EXPECT_EQ(line->placed, 1);

    SongDocument doc;
    ASSERT_TRUE(doc.Open(song.project));
    const std::vector<uint32_t> old = Starts(doc.Song());
    ASSERT_TRUE(doc.ApplyWordTimes(times));
    EXPECT_EQ(Starts(doc.Song()), Starts(written));
    EXPECT_EQ(doc.UndoName(), "Auto-Time Lyrics");
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Starts(doc.Song()), old);
    for (const auto& line : doc.Song().lines) EXPECT_EQ(line->placed, 0);
    EXPECT_FALSE(doc.CanUndo());
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Starts(doc.Song()), Starts(written));

    // A new project made and timed in one step, the vocal track as its music.
    WriteFileBytes(song.dir.File("words.txt"), std::vector<uint8_t>(song.lyrics.begin(), song.lyrics.end()));
    const std::string made = song.dir.File("made.tvx");
    const CliResult madeRun =
        RunCli({"new", "-o", made, "--music", song.vocals, "--lyrics", song.dir.File("words.txt"), "--align"});
    ASSERT_EQ(madeRun.status, 0) << madeRun.err;
    KaraokeSong timed(made);
    ASSERT_TRUE(LoadProject(timed));
    ASSERT_EQ(timed.words.size(), song.truth.size());
    for (size_t k = 0; k < song.truth.size(); ++k)
        EXPECT_NEAR(double(timed.words[k]->start), double(song.truth[k]), kToleranceSamples) << "word " << k;
}

// A mix that opens with words no lyric line holds: found from where the voice is alone, the
// first line takes the shout as its start and words land in it. One tap per line, each line's
// first word placed 80 ms late as a person taps it, puts every word on its sound again; the
// taps are asked for by --line-starts and a song without any is refused.
TEST(AlignCommand, OneTapPerLineFindsTheLinesOfAMixThatTheSingingAloneMisplaces)
{
    SpokenSong song;
    song.intro = {"hey", "everybody", "come", "on", "now", "yeah"};
    song.mixed = true;
    ASSERT_NO_FATAL_FAILURE(song.Make());
    ASSERT_TRUE(song.made);
    const auto worst = [&](const CliResult& run) {
        JsonValue json;
        std::string error;
        EXPECT_TRUE(JsonValue::Parse(run.out, json, error)) << error << "\n" << run.out;
        int64_t most = 0;
        for (size_t k = 0; k < json["words"].size() && k < song.truth.size(); ++k)
            most = std::max(most, std::abs(json["words"][k]["start"].AsInt() - song.truth[k]));
        return most;
    };
    const CliResult untapped = RunCli({"align", song.project, "-o", song.dir.File("untapped.tvx"), "--json"});
    ASSERT_EQ(untapped.status, 0) << untapped.err;
    EXPECT_GT(worst(untapped), kToleranceSamples) << "the shout no longer misleads the untapped timing";

    KaraokeSong taps(song.project);
    ASSERT_TRUE(LoadProject(taps));
    for (auto& word : taps.words) word->start = word->end = 0;
    ASSERT_TRUE(SaveProject(taps));
    const CliResult refused = RunCli({"align", song.project, "--line-starts", "-o", song.dir.File("none.tvx")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("no line's first word is placed"), std::string::npos) << refused.err;

    size_t k = 0;
    for (auto& line : taps.lines) {
        line->words.front()->start = line->words.front()->end = uint32_t(song.truth[k] + kRate * 8 / 100);
        k += line->words.size();
    }
    ASSERT_TRUE(SaveProject(taps));
    const CliResult tapped = RunCli({"align", song.project, "--line-starts", "--json"});
    ASSERT_EQ(tapped.status, 0) << tapped.err;
    EXPECT_LE(worst(tapped), kToleranceSamples) << tapped.out;
}
