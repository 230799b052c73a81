// The rebuild of the karaoke line list from the lyric text, and the page layout of the lines.
#include <memory>
#include <vector>

#include "project/ColourSlots.h"
#include "project/LyricMarkup.h"
#include "project/KaraokeSong.h"
#include "text/SyllableUnits.h"

namespace {

// Splits text at each line feed; a trailing line feed yields a last, empty line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> out;
    size_t begin = 0;
    for (;;) {
        const size_t lf = text.find('\n', begin);
        if (lf == std::string::npos) {
            out.push_back(text.substr(begin));
            return out;
        }
        out.push_back(text.substr(begin, lf - begin));
        begin = lf + 1;
    }
}

} // namespace

bool KaraokeSong::GenerateKaraokeLineList(bool keepTiming, bool finalText)
{
    std::vector<Owned<MKaraokeLine>> newLines;
    std::vector<Owned<MKaraokeWord>> newWords;
    const bool hadLines = !lines.empty();
    const bool placed = LyricsPlaced();
    bool duetMarksDropped = false;

    const std::string normalised = NormaliseLyricText(lyricText);
    if (!normalised.empty()) {
        const int32_t defaultColour = pages.empty() ? kSlotText : pages.front()->style.colour;
        int32_t page = 0;
        int32_t slot = 0;
        bool breakPending = false;
        for (std::string& textLine : SplitLines(normalised)) {
            if (IsPageBreakLine(textLine)) {
                breakPending = true;
                continue;
            }
            if (breakPending && slot > 0) {
                ++page;
                slot = 0;
            }
            auto line = std::make_unique<MKaraokeLine>();
            line->text = std::move(textLine);
            line->page = page;
            line->slot = slot;
            line->newPageBefore = breakPending ? 1 : 0;
            const size_t index = newLines.size();
            line->colour = (hadLines && index < lines.size()) ? lines[index]->colour : defaultColour;
            newLines.push_back(std::move(line));
            breakPending = false;
            if (++slot >= settings.linesPerPage) {
                ++page;
                slot = 0;
            }
        }

        for (auto& line : newLines) {
            std::string& text = line->text;
            if (!HasDuetMark(text)) continue;
            text.erase(0, 1);
            if (settings.singerCount == 2) {
                line->secondSinger = 1;
                if (!placed) line->colour = kSlotSinger2;
            } else if (settings.singerCount == 1) {
                duetMarksDropped = true;
            }
        }

        for (auto& line : newLines) {
            std::string& text = line->text;
            bool continues = false;
            size_t p = 0;
            while (p < text.size()) {
                size_t stop = text.find_first_of(" *", p);
                if (stop == std::string::npos) stop = text.size();
                const size_t n = stop - p;
                // Chinese, Japanese and Thai are timed a character at a time, as if "*" joined them.
                size_t pieceStart = p;
                for (const size_t at : SyllableBreaks(std::string_view(text).substr(p, n))) {
                    auto syllable = std::make_unique<MKaraokeWord>();
                    syllable->first = int32_t(pieceStart);
                    syllable->last = int32_t(p + at) - 1;
                    syllable->line = line.get();
                    syllable->flags = kWordJoinsNext | (continues ? kWordContinues : 0);
                    continues = true;
                    line->words.push_back(syllable.get());
                    newWords.push_back(std::move(syllable));
                    pieceStart = p + at;
                }
                auto word = std::make_unique<MKaraokeWord>();
                word->first = int32_t(pieceStart);
                word->last = int32_t(stop) - 1;
                word->line = line.get();
                if (continues) word->flags |= kWordContinues;
                continues = false;
                if (finalText)
                    for (size_t i = p; i < stop; ++i)
                        if (text[i] == kMarkInnerSpace) text[i] = ' ';
                if (stop < text.size() && text[stop] == kMarkSyllable) {
                    word->flags |= kWordJoinsNext;
                    continues = true;
                    if (finalText) {
                        text.erase(stop, 1);
                        p += n;
                    } else {
                        p += n + 1;
                    }
                } else {
                    p += n + 1;
                }
                line->words.push_back(word.get());
                newWords.push_back(std::move(word));
            }
        }
    }

    if (keepTiming) {
        uint32_t rememberedEnd = 0;
        const size_t pairs = std::min(lines.size(), newLines.size());
        for (size_t i = 0; i < pairs; ++i) {
            const MKaraokeLine& oldLine = *lines[i];
            MKaraokeLine& newLine = *newLines[i];
            newLine.placed = oldLine.placed;
            for (size_t w = 0; w < newLine.words.size(); ++w) {
                MKaraokeWord& word = *newLine.words[w];
                if (w < oldLine.words.size()) {
                    word.start = oldLine.words[w]->start;
                    word.end = oldLine.words[w]->end;
                    rememberedEnd = oldLine.words[w]->end;
                } else {
                    word.start = rememberedEnd;
                    word.end = rememberedEnd;
                }
            }
        }
    }

    lines = std::move(newLines);
    words = std::move(newWords);
    CalcLineAndPageNumbers();
    return duetMarksDropped;
}

void KaraokeSong::CalcLineAndPageNumbers()
{
    int32_t slot = 0;
    int32_t page = 0;
    for (auto& line : lines) {
        if (line->newPageBefore && slot > 0) {
            slot = 0;
            ++page;
        }
        line->slot = slot;
        line->page = page;
        if (slot + 1 >= settings.linesPerPage) {
            ++page;
            slot = 0;
        } else {
            ++slot;
        }
    }
}
