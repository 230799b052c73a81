#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cdg/PageCanvas.h"

class MFont;
class MTextType;
class MTextTypeVer6;

// Text style flag for underline (beyond bold, italic and shadow).
inline constexpr int32_t kStyleUnderline = 8;

// The font a style's text is drawn with.
std::shared_ptr<const MFont> StyleFont(const MTextType& style);

// Outline thickness of a shadowed style of the given size.
int ShadowThickness(int size);

// Where one line of text goes: a screen of `slotCount` equal slots, line `lineInBlock` of a
// block of `blockLines` lines in slot `slot`. With addAverageWidth the right edge gains one
// average character width (the full-song writer does this; previews do not).
TextBox PlaceTextLine(int slotCount, int slot, const std::string& text, const MTextType& style, int blockLines,
                      int lineInBlock, const MTextTypeVer6* lineStyles, bool addAverageWidth);

// Draws one or more lines of page text (line feeds separate lines; "&" marks are dropped, "&&"
// leaves one) and returns the box of the last line drawn. Empty text draws nothing.
TextBox DrawPageText(PageCanvas& canvas, int slotCount, int slot, const std::string& text, const MTextType& style,
                     const MTextTypeVer6* lineStyles, bool addAverageWidth);

// A line of text as it is drawn: carriage returns and line feeds at its ends go, every "&" goes
// except that "&&" leaves one, and an empty line shows as one space. before[i] is the number of
// drawn characters that come from the line's characters before i (i = 0 ... line size).
struct DrawnText {
    std::string text;
    std::vector<int> before;
};
DrawnText DrawnLineText(std::string_view line);

// The lines of a page text (line feeds separate them) as they are drawn.
std::vector<std::string> DrawnPageLines(const std::string& text);

// Width in pixels of one drawn line, its outline included: the width PlaceTextLine lays out.
int DrawnLineWidth(const std::string& drawnText, const MTextType& style, const MTextTypeVer6* lineStyles,
                   int lineInBlock);

// The box of the characters first ... last of a lyric line (indices into lineText, whose "&"
// marks are dropped as the drawing drops them) on the line as DrawPageText draws it in slot
// `slot` of `slotCount`: from the left of the first character's outline to the right of the
// last one's, the line's top to its bottom, within the slot. Empty when they draw nothing.
TextBox LyricWordBox(int slotCount, int slot, const std::string& lineText, const MTextType& style, int first,
                     int last);

// What the sweep of one word of a lyric line changes on the screen.
struct WordSweepPixels {
    // The word's box (LyricWordBox); empty when the word draws nothing.
    TextBox box;
    // The unswept line as DrawPageText draws it on the background.
    PageCanvas line;
    // 1 on every pixel that the sweep recolours, 2 on the letters of the characters before the
    // word (already swept, or not yet, as the line goes), else 0.
    PageCanvas changed;
    // The rows the line may touch (its slot): nothing changes outside them.
    int top = 0, bottom = 0;
    // The word reads right to left: its sweep runs from its right edge to its left.
    bool rightToLeft = false;
    // The columns [changedLeft, changedRight) hold every pixel that changed marks 1.
    int changedLeft = 0, changedRight = 0;
};

// The pixels that sweeping the word charsBefore ... wordLast changes: in text mode the word's
// letters that no earlier character of the line covers; in background mode the background
// inside the word's box, less what the box of the characters up to sweptLast (the last word
// swept before on this line, -1 for none) already covers. So the sweeps of a line's words touch
// each pixel at most once, whatever order their packets meet in.
WordSweepPixels SweepWordPixels(int slotCount, int slot, const std::string& lineText, const MTextType& style,
                                int background, int charsBefore, int wordLast, int sweptLast, bool backgroundMode);
