// Page pictures: any bytes decode to a picture within the size limit or are refused; what
// loads fits the page and is indexed and placed.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "cdg/PagePicture.h"
#include "media/RgbPicture.h"
#include "project/MBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MBitmap picture;
    if (!LoadPictureBytes(std::span<const uint8_t>(data, size), picture)) return 0;
    const auto& h = picture.header;
    if (h.width <= 0 || h.height <= 0 || h.width > kPictureWidth || h.height > kPictureHeight) std::abort();
    PictureToIndexed(picture, 2);
    PlacePicture(picture, kDisplayTiled, 0);
    return 0;
}
