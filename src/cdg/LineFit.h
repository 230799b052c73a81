#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "cdg/PageCanvas.h"

class KaraokeSong;
struct IMAGE_STRUCT;

// Which text a measured line belongs to.
enum class LineSource { Lyrics, TitlePage, CreditsPage };

// One line of text as the screen shows it, measured with the font and style it is drawn with.
// A line wider than the room is cut off at the screen's edge.
struct LineFit {
    LineSource source = LineSource::Lyrics;
    // From 1: the karaoke line (as `info` counts them), or the line of the page text.
    int number = 0;
    // From 1: the line of the lyric text it comes from (page breaks and blank lines count); the
    // page text's line for page lines.
    int textLine = 0;
    std::string text; // as drawn
    int width = 0;    // pixels, outline included
    int room = kCanvasWidth;
    bool Fits() const { return width <= room; }
};

// The lines of the song's lyric text (page breaks left out) at the lyrics page's style, then
// the lines of the enabled title and credits pages at theirs.
std::vector<LineFit> MeasureSongLines(const KaraokeSong& song);
// Those of them that do not fit.
std::vector<LineFit> LinesTooWide(const KaraokeSong& song);
// A karaoke line of the line list (its text as stored) at the lyrics page's style.
LineFit MeasureLyricLine(const KaraokeSong& song, const std::string& lineText);
// The lines of a title or credits page's text at the page's style.
std::vector<LineFit> MeasurePageText(const IMAGE_STRUCT& page);

// One line of the lyric text broken into lines that fit: at the last space that fits, again
// until every piece fits. A word wider than the screen stays whole on a line of its own. Only
// spaces between word elements break (never one beside a syllable mark, nor before a word that
// begins with "&"), so the words and their markup stay as they were; the pieces of a second
// singer's line all carry the mark. A line that fits comes back alone.
std::vector<std::string> BreakLyricLine(const KaraokeSong& song, std::string_view line);

// The song's lyric text with every line broken as BreakLyricLine does.
std::string FitLyricText(const KaraokeSong& song);

// FitLyricText applied to the song: the lyric text changes and the line list is rebuilt from it
// (finalText as GenerateKaraokeLineList takes it). Every word keeps its times, and every new
// line the placed flag and colour of the line it came from. Returns how many lines were broken.
int FitLongLines(KaraokeSong& song, bool finalText);
