#pragma once
#include <string>

#include "cdg/PageCanvas.h"

class MTextType;
class MTextTypeVer6;

// Text style flag for underline (beyond bold, italic and shadow).
inline constexpr int32_t kStyleUnderline = 8;

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

// Draws a lyric line cut after the word that ends at `wordLast`, with the `charsBefore`
// characters before the word painted over in the style's background box colour. Returns the
// box of the word alone.
TextBox DrawSweepLine(PageCanvas& canvas, int slotCount, int slot, const std::string& lineText,
                      const MTextType& style, int charsBefore, int wordLast, bool addAverageWidth);
