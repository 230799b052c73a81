// Builds the demo song data/demo/twinkle.tvx from its lyrics, data/demo/twinkle.txt:
//   make_demo_song data/demo/twinkle.txt data/demo/twinkle.tvx
// Every syllable is timed on a steady beat, so the song can be viewed, played and exported
// without anyone tapping it in. The output depends on nothing but the lyrics, byte for byte.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "project/ColourSlots.h"
#include "project/MSongSettings.h"
#include "project/ProjectFile.h"
#include "text/Cp1252.h"
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

class ConsolePrompt : public SilentUserPrompt {
public:
    void Message(const std::string& text, const std::string&, PromptIcon) override
    {
        std::fprintf(stderr, "make_demo_song: %s\n", text.c_str());
    }
};

// One beat per syllable, the last syllable of a line held for two.
void PlaceOnBeat(MSongSettings& song)
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: make_demo_song LYRICS.txt OUTPUT.tvx\n");
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

    ConsolePrompt prompt;
    MSongSettings song(argv[2]);
    song.prompt = &prompt;
    song.lyricText = Utf8ToCp1252(lyrics);
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

    if (!SaveProject(song)) {
        std::fprintf(stderr, "make_demo_song: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %zu lines, %zu words, last word ends at %s\n", argv[2], song.LineCount(), song.words.size(),
                song.words.empty() ? "-" : FormatSongTime(song.words.back()->end).c_str());
    return 0;
}
