// Builds the demo song data/demo/twinkle.tvx from its lyrics, data/demo/twinkle.txt:
//   make_demo_song data/demo/twinkle.txt data/demo/twinkle.tvx
// Every syllable is timed on a steady beat, so the song can be viewed, played and exported
// without anyone tapping it in. The output depends on nothing but the lyrics, byte for byte.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>
#include <fstream>
#include <iterator>
#include <string>

#include "audio/WavOutFile.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "text/SongTime.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kBeat = kSongSamplesPerSecond * 60 / 100; // 100 beats a minute
constexpr uint32_t kIntroBeats = 8;
constexpr uint32_t kInterludeBeats = 8; // before a line that starts a new verse
constexpr uint32_t kLastSyllableBeats = 2;

constexpr const char* kArtist = "Traditional";
constexpr const char* kTitle = "Twinkle, Twinkle, Little Star";
constexpr const char* kTitlePageText = "Twinkle, Twinkle,\nLittle Star\n\nA traditional song";
constexpr const char* kCreditsText = "Words by Jane Taylor, 1806\nTraditional melody";

// One beat per syllable, the last syllable of a line held for two.
void PlaceOnBeat(KaraokeSong& song)
{
    uint32_t t = kIntroBeats * kBeat;
    for (size_t i = 0; i < song.LineCount(); ++i) {
        MKaraokeLine& line = *song.LineAt(i);
        if (line.newPageBefore && i > 0) t += kInterludeBeats * kBeat;
        for (size_t w = 0; w < line.words.size(); ++w) {
            const uint32_t beats = w + 1 == line.words.size() ? kLastSyllableBeats : 1;
            line.words[w]->start = t;
            line.words[w]->end = t + beats * kBeat;
            t += beats * kBeat;
        }
        line.placed = line.words.empty() ? 0 : 1;
    }
}


// The tune, one note a syllable: the melody of each line of a verse in semitones from middle C.
constexpr int kMelody[6][7] = {
    {0, 0, 7, 7, 9, 9, 7}, {5, 5, 4, 4, 2, 2, 0}, {7, 7, 5, 5, 4, 4, 2},
    {7, 7, 5, 5, 4, 4, 2}, {0, 0, 7, 7, 9, 9, 7}, {5, 5, 4, 4, 2, 2, 0},
};
// The bass note under each line.
constexpr int kBass[6] = {-12, -7, -5, -5, -12, -7};
constexpr double kMiddleC = 261.6256;
constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kTailSeconds = 4;

double Frequency(int semitones)
{
    return kMiddleC * std::pow(2.0, semitones / 12.0);
}

// Adds one note: a few harmonics with a quick attack and a gentle decay.
void AddNote(std::vector<double>& mix, uint32_t start, uint32_t length, double frequency, double level)
{
    const uint32_t attack = kSongSamplesPerSecond / 100;
    for (uint32_t i = 0; i < length && start + i < mix.size(); ++i) {
        const double t = double(i) / kSongSamplesPerSecond;
        const double envelope = (i < attack ? double(i) / attack : 1.0) * std::exp(-2.5 * t) *
                                (i + attack > length ? double(length - i) / attack : 1.0);
        const double w = 2 * kPi * frequency * t;
        mix[start + i] += level * envelope * (std::sin(w) + 0.4 * std::sin(2 * w) + 0.15 * std::sin(3 * w));
    }
}

// Synthesizes the tune in step with the placed words and writes it as 16-bit stereo.
bool WriteTune(const KaraokeSong& song, const char* path)
{
    const uint32_t end = song.words.empty() ? 0 : song.words.back()->end;
    std::vector<double> mix(end + kTailSeconds * kSongSamplesPerSecond, 0.0);
    size_t sung = 0;
    for (const auto& line : song.lines) {
        if (line->words.empty()) continue;
        const size_t verseLine = sung++ % 6;
        for (size_t w = 0; w < line->words.size() && w < 7; ++w) {
            const MKaraokeWord& word = *line->words[w];
            AddNote(mix, word.start, word.end - word.start, Frequency(kMelody[verseLine][w]), 0.25);
        }
        const uint32_t lineStart = line->words.front()->start;
        AddNote(mix, lineStart, line->words.back()->end - lineStart, Frequency(kBass[verseLine]), 0.2);
    }
    WavOutFile out;
    if (!out.Create(path, kSongSamplesPerSecond, 16, 2)) return false;
    std::vector<int16_t> frames;
    frames.reserve(mix.size() * 2);
    for (double v : mix) {
        const auto sample = int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 30000));
        frames.push_back(sample);
        frames.push_back(sample);
    }
    return out.Write(frames) && out.Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "Usage: make_demo_song LYRICS.txt OUTPUT.tvx [MUSIC.wav]\n"
                             "With MUSIC.wav the tune is synthesized there and the project uses it.\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_demo_song: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string lyrics((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "make_demo_song: cannot read %s\n", argv[1]);
        return 1;
    }
    // The file's last line feed ends its last line; in lyric text it would add a blank line.
    while (!lyrics.empty() && (lyrics.back() == '\n' || lyrics.back() == '\r')) lyrics.pop_back();

    KaraokeSong song(argv[2]);
    song.lyricText = lyrics;
    song.artist = kArtist;
    song.title = kTitle;

    IMAGE_STRUCT* titlePage = song.FindPage(kPageTitle);
    IMAGE_STRUCT* creditsPage = song.FindPage(kPageCredits);
    titlePage->enabled = 1;
    titlePage->text = kTitlePageText;
    titlePage->style.style = kStyleBold | kStyleShadow;
    // Lines 2 to 4 of the title page: the title's second line, a gap, a smaller yellow subtitle.
    titlePage->lineStyles.lines = {{kSlotText, 26, kStyleBold | kStyleShadow, "Arial", kAlignCentre},
                                   {kSlotText, 12, 0, "Arial", kAlignCentre},
                                   {kSlotSweep, 18, kStyleItalic, "Arial", kAlignCentre}};
    titlePage->drawTransition = 2;  // Fill Down
    titlePage->eraseTransition = 8; // Block Dissolve
    titlePage->holdTime = 300;
    creditsPage->enabled = 1;
    creditsPage->text = kCreditsText;
    creditsPage->drawTransition = 2;

    // As the editing views keep it: markup still in the line text.
    song.GenerateKaraokeLineList(true, false);
    PlaceOnBeat(song);

    if (argc == 4) {
        if (!WriteTune(song, argv[3])) {
            std::fprintf(stderr, "make_demo_song: cannot write %s\n", argv[3]);
            return 1;
        }
        song.musicPath = argv[3];
    }
    if (const WorkOutcome saved = SaveProject(song); !saved) {
        std::fprintf(stderr, "make_demo_song: cannot write %s\n%s\n", argv[2], saved.message.c_str());
        return 1;
    }
    std::printf("%s: %zu lines, %zu words, last word ends at %s\n", argv[2], song.LineCount(), song.words.size(),
                song.words.empty() ? "-" : FormatSongTime(song.words.back()->end).c_str());
    return 0;
}
