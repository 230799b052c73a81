#include "cdg/LineFit.h"

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>

#include "cdg/TextLayout.h"
#include "log/MLineListLog.h"
#include "project/LyricMarkup.h"
#include "project/KaraokeSong.h"
#include "text/LineBreaks.h"
#include "text/SyllableUnits.h"
#include "text/Utf8.h"

namespace {

const MTextType& LyricsStyle(const KaraokeSong& song)
{
    static const IMAGE_STRUCT kDefaultLyricsPage;
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    return (lyrics ? *lyrics : kDefaultLyricsPage).style;
}

// A line of the lyric text as its karaoke line holds it: normalised, without the duet mark.
std::string KaraokeText(std::string_view line)
{
    std::string text = NormaliseLyricText(line);
    if (HasDuetMark(text)) text.erase(0, 1);
    return text;
}

// The text a karaoke line shows, and how wide it is.
std::pair<std::string, int> Drawn(const MTextType& style, std::string_view karaokeText)
{
    std::string drawn = DrawnLineText(FinalLineText(karaokeText)).text;
    const int width = DrawnLineWidth(drawn, style, nullptr, 0);
    return {std::move(drawn), width};
}

int Width(const MTextType& style, std::string_view line)
{
    return Drawn(style, KaraokeText(line)).second;
}

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The spaces of a line that may end it: the first space of a run, between two word elements
// (no syllable mark on either side, which joins the elements into one word), not before a
// word that begins with "&" (it would read as a duet mark or lose its meaning), and after
// something that is more than the duet mark.
// Chinese and Japanese, written without spaces, may also break between characters where the
// line-breaking rules allow it (a syllable mark there still joins).
std::vector<size_t> BreakPoints(std::string_view line)
{
    std::vector<size_t> points;
    for (size_t b = 1; b < line.size(); ++b) {
        if (line[b] != ' ' || line[b - 1] == ' ') continue;
        const size_t right = line.find_first_not_of(' ', b);
        if (right == std::string_view::npos) break;
        if (line[b - 1] == kMarkSyllable || line[right] == kMarkSyllable || line[right] == kMarkSecondSinger) continue;
        if (KaraokeText(line.substr(0, b)).empty()) continue;
        points.push_back(b);
    }
    bool unspaced = false;
    for (size_t i = 0; i < line.size() && !unspaced;) {
        char32_t cp = 0;
        i += NextCodePoint(line, i, cp);
        unspaced = IsUnspacedScript(cp);
    }
    if (!unspaced) return points;
    for (const size_t b : LineBreakOpportunities(line)) {
        char32_t before = 0, after = 0;
        size_t start = b - 1;
        while (start > 0 && (static_cast<unsigned char>(line[start]) & 0xC0) == 0x80) --start;
        NextCodePoint(line, start, before);
        NextCodePoint(line, b, after);
        if (!IsUnspacedScript(before) && !IsUnspacedScript(after)) continue; // spaces are handled above
        if (before == ' ' || after == ' ' || before == char32_t(kMarkSyllable) || after == char32_t(kMarkSyllable))
            continue;
        if (KaraokeText(line.substr(0, b)).empty()) continue;
        points.push_back(b);
    }
    std::sort(points.begin(), points.end());
    return points;
}

// One line of the lyric text per element, split at line feeds; carriage returns stay.
std::vector<std::string_view> TextLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t begin = 0;
    for (;;) {
        const size_t lf = text.find('\n', begin);
        lines.push_back(text.substr(begin, lf == std::string_view::npos ? std::string_view::npos : lf - begin));
        if (lf == std::string_view::npos) return lines;
        begin = lf + 1;
    }
}

// The fitted lyric text and, for each karaoke line, how many lines it became.
std::string FitText(const KaraokeSong& song, std::vector<int>& piecesPerLine)
{
    std::string out;
    bool firstLine = true;
    for (std::string_view line : TextLines(song.lyricText)) {
        if (!firstLine) out += '\n';
        firstLine = false;
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.remove_suffix(1);
        if (IsPageBreakLine(line)) {
            out.append(line);
            if (cr) out += '\r';
            continue;
        }
        const std::vector<std::string> pieces = BreakLyricLine(song, line);
        piecesPerLine.push_back(int(pieces.size()));
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i) out += cr ? "\r\n" : "\n";
            out += pieces[i];
        }
        if (cr) out += '\r';
    }
    return out;
}

} // namespace

LineFit MeasureLyricLine(const KaraokeSong& song, const std::string& lineText)
{
    LineFit fit;
    std::tie(fit.text, fit.width) = Drawn(LyricsStyle(song), lineText);
    return fit;
}

std::vector<LineFit> MeasurePageText(const IMAGE_STRUCT& page)
{
    std::vector<LineFit> fits;
    // Pages with a picture draw their text without the per-line styles.
    const MTextTypeVer6* lineStyles = page.hasGraphic ? nullptr : &page.lineStyles;
    const std::vector<std::string> lines = DrawnPageLines(page.text);
    for (size_t k = 0; k < lines.size(); ++k) {
        LineFit fit;
        fit.source = page.kind == kPageTitle ? LineSource::TitlePage : LineSource::CreditsPage;
        fit.number = fit.textLine = int(k) + 1;
        fit.text = lines[k];
        fit.width = DrawnLineWidth(lines[k], page.style, lineStyles, int(k));
        fits.push_back(std::move(fit));
    }
    return fits;
}

std::vector<LineFit> MeasureSongLines(const KaraokeSong& song)
{
    std::vector<LineFit> fits;
    const MTextType& style = LyricsStyle(song);
    // The line list is made from the normalised text, one karaoke line for each of its lines
    // but the page breaks; its lines are those of the text.
    const std::string normalised = NormaliseLyricText(song.lyricText);
    if (!normalised.empty()) {
        int number = 0, textLine = 0;
        for (std::string_view line : TextLines(normalised)) {
            ++textLine;
            if (IsPageBreakLine(line)) continue;
            LineFit fit;
            fit.number = ++number;
            fit.textLine = textLine;
            std::tie(fit.text, fit.width) = Drawn(style, KaraokeText(line));
            fits.push_back(std::move(fit));
        }
    }
    for (int kind : {kPageTitle, kPageCredits}) {
        const IMAGE_STRUCT* page = song.FindPage(kind);
        if (!page || !page->enabled) continue;
        for (LineFit& fit : MeasurePageText(*page)) fits.push_back(std::move(fit));
    }
    return fits;
}

std::vector<LineFit> LinesTooWide(const KaraokeSong& song)
{
    std::vector<LineFit> wide;
    for (LineFit& fit : MeasureSongLines(song))
        if (!fit.Fits()) wide.push_back(std::move(fit));
    return wide;
}

std::vector<std::string> BreakLyricLine(const KaraokeSong& song, std::string_view line)
{
    const MTextType& style = LyricsStyle(song);
    const int room = LineFit{}.room;
    if (IsPageBreakLine(line) || Width(style, line) <= room) return {std::string(line)};
    const std::string mark = HasDuetMark(NormaliseLyricText(line)) ? std::string(1, kMarkSecondSinger) : "";

    std::vector<std::string> pieces;
    std::string rest(line);
    while (Width(style, rest) > room) {
        const std::vector<size_t> points = BreakPoints(rest);
        if (points.empty()) break;
        // The last break that fits; a first word too wide for any goes alone.
        size_t chosen = points.front();
        for (size_t b : points) {
            if (Width(style, std::string_view(rest).substr(0, b)) > room) break;
            chosen = b;
        }
        pieces.emplace_back(TrimSpaces(std::string_view(rest).substr(0, chosen)));
        rest = mark + std::string(TrimSpaces(std::string_view(rest).substr(chosen)));
    }
    pieces.push_back(std::move(rest));
    return pieces;
}

std::string FitLyricText(const KaraokeSong& song)
{
    std::vector<int> piecesPerLine;
    return FitText(song, piecesPerLine);
}

int FitLongLines(KaraokeSong& song, bool finalText)
{
    std::vector<int> piecesPerLine;
    std::string text = FitText(song, piecesPerLine);
    if (text == song.lyricText) return 0;

    // The old lines wait aside: the new list takes their times word by word, their flags line
    // by line, as long as the old list was made from this text.
    std::vector<Owned<MKaraokeLine>> oldLines = std::move(song.lines);
    std::vector<Owned<MKaraokeWord>> oldWords = std::move(song.words);
    song.lines.clear();
    song.words.clear();
    song.lyricText = std::move(text);
    song.GenerateKaraokeLineList(false, finalText);
    MLineListLog::Rebuilt(song);

    size_t newLineCount = 0;
    int broken = 0;
    for (int pieces : piecesPerLine) {
        newLineCount += size_t(pieces);
        broken += pieces > 1;
    }
    if (oldLines.size() == piecesPerLine.size() && song.lines.size() == newLineCount &&
        oldWords.size() == song.words.size()) {
        size_t at = 0;
        for (size_t i = 0; i < oldLines.size(); ++i)
            for (int p = 0; p < piecesPerLine[i]; ++p, ++at) {
                song.lines[at]->placed = oldLines[i]->placed;
                song.lines[at]->colour = oldLines[i]->colour;
            }
        for (size_t k = 0; k < oldWords.size(); ++k) {
            song.words[k]->start = oldWords[k]->start;
            song.words[k]->end = oldWords[k]->end;
        }
    } else {
        // A list that was not made from this text: the times pair up as any edit pairs them.
        song.lines = std::move(oldLines);
        song.words = std::move(oldWords);
        song.GenerateKaraokeLineList(true, finalText);
        MLineListLog::Rebuilt(song);
    }
    return broken;
}
