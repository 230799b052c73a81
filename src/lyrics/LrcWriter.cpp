#include "lyrics/LrcWriter.h"

#include <cstdio>
#include <string_view>

#include "media/AtomicFile.h"
#include "project/KaraokeSong.h"
#include "text/Utf8.h"

namespace {

constexpr uint64_t kSamplesPerHundredth = 441;
constexpr uint32_t kCreditsGapHundredths = 200;
constexpr uint32_t kPageLineHundredths = 100;

std::string Tag(char open, char close, uint32_t minutes, uint32_t seconds, uint32_t hundredths)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%c%02u:%02u.%02u%c", open, minutes, seconds, hundredths, close);
    return buf;
}

// A time in samples as hundredths of a second, to the nearest hundredth (halves up). Word times
// and the lead-in are added in 64 bits: together they may pass 32.
uint32_t HundredthsOf(uint64_t samples)
{
    return uint32_t((samples * 2 + kSamplesPerHundredth) / (kSamplesPerHundredth * 2));
}

std::string LineTagHundredths(uint32_t h)
{
    return Tag('[', ']', h / 6000, (h / 100) % 60, h % 100);
}

std::string WordTagHundredths(uint32_t h)
{
    return Tag('<', '>', h / 6000, (h / 100) % 60, h % 100);
}

std::string LineTagSamples(uint64_t v)
{
    return LineTagHundredths(HundredthsOf(v));
}

std::string WordTagSamples(uint64_t v)
{
    return WordTagHundredths(HundredthsOf(v));
}

std::string CollapseSpaces(std::string text)
{
    for (size_t d = text.find("  "); d != std::string::npos; d = text.find("  ", d)) text.erase(d, 1);
    return text;
}

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Takes the next non-blank line off the front of text; false when only white space is left.
bool NextPageLine(std::string_view& text, std::string& line)
{
    while (!text.empty() && IsWhite(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsWhite(text.back())) text.remove_suffix(1);
    if (text.empty()) return false;
    const size_t end = text.find_first_of("\r\n");
    line = std::string(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    return true;
}

// Puts a word tag behind every space of a page line, spreading its words over one second
// that starts at `base` hundredths.
std::string SpreadWords(const std::string& line, uint32_t base)
{
    size_t spaces = 0;
    for (char c : line) spaces += c == ' ';
    const uint32_t step = kPageLineHundredths / uint32_t(spaces + 1);
    std::string out;
    uint32_t k = 0;
    for (char c : line) {
        out.push_back(c);
        if (c == ' ') out += WordTagHundredths(base + ++k * step);
    }
    return out;
}

} // namespace

std::string BuildLrc(const KaraokeSong& song, uint32_t songLengthMs, uint32_t leadIn, bool enhanced)
{
    std::string out;
    if (!song.artist.empty()) out += "[ar:" + song.artist + "]\r\n";
    if (!song.title.empty()) out += "[ti:" + song.title + "]\r\n";
    if (songLengthMs != 0) {
        char buf[48];
        const uint32_t rounded = songLengthMs + 500;
        std::snprintf(buf, sizeof buf, "[length:%u:%02u]\r\n", rounded / 60000, (rounded / 1000) % 60);
        out += buf;
    }
    out += "\r\n";

    uint32_t titleLines = 0;
    const IMAGE_STRUCT* titlePage = song.FindPage(kPageTitle);
    if (titlePage && titlePage->enabled) {
        const std::string text = CollapseSpaces(titlePage->text);
        std::string_view rest = text;
        std::string line;
        while (NextPageLine(rest, line)) {
            const uint32_t at = titleLines * 100;
            out += LineTagHundredths(at);
            if (enhanced) out += WordTagHundredths(at) + SpreadWords(line, at);
            else out += line;
            ++titleLines;
            if (enhanced) out += WordTagHundredths(titleLines * 100);
            out += "\r\n";
        }
    }

    // Where no sung word has an end, the credits follow the title lines.
    uint32_t h = titleLines;
    for (const auto& line : song.lines) {
        uint32_t u = 0;
        if (!line->text.empty()) {
            bool first = true;
            for (const MKaraokeWord* word : line->words) {
                const uint64_t v = uint64_t(word->start) + leadIn;
                if (first) out += LineTagSamples(v);
                else if (!(word->flags & kWordContinues)) out += ' ';
                first = false;
                if (enhanced) out += WordTagSamples(v);
                if (word->first >= 0 && word->last >= word->first && size_t(word->last) < line->text.size())
                    out.append(line->text, size_t(word->first), size_t(word->last - word->first + 1));
                u = HundredthsOf(uint64_t(word->end) + leadIn);
            }
        }
        if (u != 0) {
            if (enhanced) out += WordTagHundredths(u);
            h = u;
        }
        out += "\r\n";
    }

    const IMAGE_STRUCT* creditsPage = song.FindPage(kPageCredits);
    if (creditsPage && creditsPage->enabled) {
        h += kCreditsGapHundredths;
        const std::string text = CollapseSpaces(creditsPage->text);
        std::string_view rest = text;
        std::string line;
        while (NextPageLine(rest, line)) {
            const uint32_t h0 = h;
            out += LineTagHundredths(h);
            if (enhanced) out += WordTagHundredths(h) + SpreadWords(line, h);
            else out += line;
            h = h0 + kPageLineHundredths;
            if (enhanced) out += WordTagHundredths(h);
            out += "\r\n";
        }
    }
    return out;
}

bool WriteLrcFile(const KaraokeSong& song, const std::string& path, uint32_t songLengthMs, uint32_t leadIn,
                  bool enhanced, bool windows1252)
{
    std::string text = BuildLrc(song, songLengthMs, leadIn, enhanced);
    if (windows1252) text = Utf8ToCp1252(text);
    return WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string LrcPathFor(const std::string& exportPath)
{
    const size_t dot = exportPath.rfind('.');
    const size_t slash = exportPath.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return exportPath + ".lrc";
    return exportPath.substr(0, dot) + ".lrc";
}
