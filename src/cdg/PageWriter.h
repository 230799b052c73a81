#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cdg/CdgColour.h"
#include "cdg/PageCanvas.h"

class MBitmap;
class CdgPacketGenerator;
class MTextType;
class MTextTypeVer6;
struct IMAGE_STRUCT;

// Page transitions by their stored number.
enum PageTransition : int32_t {
    kFillRight = 0,
    kFillLeft = 1,
    kFillDown = 2,
    kFillUp = 3,
    kScrollRight = 4,
    kScrollLeft = 5,
    kScrollDown = 6,
    kScrollUp = 7,
    kBlockDissolve = 8,
    kFadeIn = 9,
    kFadeOut = 10,
};

// The name a transition is shown by ("Fill Right", ...), or "" for an unknown number.
const char* TransitionName(int transition);

// Block Dissolve takes its tile order from a pseudo-random source seeded by the page it brings
// in and where in the stream it starts (the same song, the same stream); tests may fix the seed.
void SetDissolveSeedForTesting(std::optional<uint32_t> seed);

// Brings a canvas onto the screen by a transition, packet after packet from offset. Only the
// top floor(percent x 16 / 100) tile rows are brought in, the percent being the generator's
// image-height percent. Returns the bytes from offset to the end of the last packet.
size_t RunTransition(CdgPacketGenerator& generator, const PageCanvas& canvas, int transition, const ColourTable& table,
                     int background, size_t offset);

// A page of text on the background colour (with the per-line styles).
size_t WriteTextPage(CdgPacketGenerator& generator, const std::string& text, const MTextType& style,
                     const MTextTypeVer6* lineStyles, int transition, int background, const ColourTable& table,
                     size_t offset);
// A picture alone. The picture's index pixels are rebuilt first when they are out of date.
size_t WritePicturePage(CdgPacketGenerator& generator, MBitmap& picture, int displayMode, int ditherAmount, int transition,
                        const ColourTable& table, int background, size_t offset);
// Text in the base style over a picture.
size_t WritePictureTextPage(CdgPacketGenerator& generator, MBitmap& picture, int displayMode, int ditherAmount,
                            int transition, const ColourTable& table, int background, const std::string& text,
                            const MTextType& style, size_t offset);

// A title or credits page: colour table and presets (twice), the draw transition, the hold
// and, for a title page, the erase transition. Returns the bytes used, 0 when its picture
// cannot be shown.
size_t WritePage(CdgPacketGenerator& generator, IMAGE_STRUCT& page, bool isTitle, size_t offset);

// The canvases the page writers bring in.
PageCanvas TextPageCanvas(const std::string& text, const MTextType& style, const MTextTypeVer6* lineStyles,
                          int background, const ColourTable& table, bool addAverageWidth);
