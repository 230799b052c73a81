#pragma once
#include <cstddef>
#include <string>

#include "cdg/CdgColour.h"
#include "cdg/PageCanvas.h"

class CdgPacketGenerator;
class MTextType;

// Sweep modes: the sweep recolours the letters, or the background behind them.
inline constexpr int kSweepText = 0;
inline constexpr int kSweepBackground = 1;

// Colour table, border and memory presets: 19 packets.
size_t WriteScreenReset(CdgPacketGenerator& generator, const ColourTable& table, int border, int background, size_t offset);

// One lyric line in `slotCount` rows, row `slot`: its shadow and text pixels sent as colour
// layers over the background, tile column by tile column. Previews draw it straight into a
// screen sink.
size_t WriteLyricLine(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& text,
                      const MTextType& style, int background, size_t offset);

// Background tiles over the line's box.
size_t EraseLyricLine(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& text,
                      const MTextType& style, int background, size_t offset);

// The sweep of one word (the characters charsBefore ... wordLast of the line) spread evenly from
// byte offset start to end, one tile column at a time: all rows of a column change together,
// in consecutive packets. Text mode turns the word's letters into the sweep colour, background
// mode the background of the word's box; nothing else on the screen changes. sweptLast is the
// last character of the word swept before on this line (-1 for none): in background mode the
// part of the box that word's sweep already took is left alone. With start == end == 0 on a
// preview generator the whole word shows swept at once. Returns the number of packets written.
size_t WriteSweep(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& lineText, int charsBefore,
                  int wordLast, const MTextType& style, int background, int sweepColour, int sweepMode, size_t start,
                  size_t end, int sweptLast = -1);

// Whether the characters first ... last of a line draw anything ("&" marks do not).
bool WordIsDrawn(const std::string& lineText, int first, int last);
