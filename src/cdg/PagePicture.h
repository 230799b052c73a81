#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "cdg/PageCanvas.h"

class MBitmap;
class UserPrompt;
struct IMAGE_STRUCT;
struct RgbPicture;

// Picture display modes of a page.
enum PictureDisplayMode : int32_t {
    kDisplayTop = 0,
    kDisplayCenter = 1,
    kDisplayBottom = 2,
    kDisplayTiled = 3,
    kDisplayStretched = 4,
};

// Entries 0..10 of a page's colour table belong to its picture.
inline constexpr int kPicturePaletteSize = 11;

inline constexpr const char* kPictureFilter = "Image Files (*.bmp, *.jpg, *.gif, *.tif, *.png)";
inline constexpr const char* kMsgPictureCaption = "Could Not Load Image File";
inline constexpr const char* kMsgPictureInvalid = "Please ensure the file is a valid image.";

// Up to 11 colours (0x00RRGGBB, each channel cut to its upper 4 bits) picked from the pixels in
// reading order; once full, a new colour replaces its nearest entry when it lies farther from
// the other ten than that entry does. Unfilled entries stay black.
std::array<uint32_t, kPicturePaletteSize> BuildPicturePalette(const RgbPicture& picture);

// Decodes a picture, reduces it to fit 288 x 192 (never enlarged) and stores it with its palette
// in entries 0..10 of picture's table; the index pixels are marked for rebuilding. On failure
// picture is unchanged.
bool LoadPictureFile(const std::string& path, MBitmap& picture);
bool LoadPictureBytes(std::span<const uint8_t> bytes, MBitmap& picture);

// Gives the page a new picture from a file, keeping the page's own colours in entries 9..15.
// An unreadable file leaves the page as it was and tells the user.
bool LoadPagePicture(IMAGE_STRUCT& page, const std::string& path, UserPrompt& prompt);

// Rebuilds the 4-bit index pixels when the picture changed or the dither amount differs from
// the one they were built with.
void PictureToIndexed(MBitmap& picture, int ditherAmount);

// The canvas of a page with its picture placed by the display mode over the fill index.
PageCanvas PlacePicture(const MBitmap& picture, int displayMode, uint8_t fillIndex);

// The index of one pixel of the 4-bit picture (x, y from the top-left).
uint8_t PictureIndexAt(const MBitmap& picture, int x, int y);
