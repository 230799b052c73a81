// Project files: any bytes load or are refused; what loads saves, and the saved bytes load
// back to the very same bytes. The loaded pages' pictures are indexed and placed as the
// stream generator would.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "cdg/PagePicture.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KaraokeSong song;
    if (!LoadProjectBytes(song, std::span<const uint8_t>(data, size))) return 0;
    const std::vector<uint8_t> saved = SerializeProject(song);

    KaraokeSong again;
    if (!LoadProjectBytes(again, saved)) std::abort(); // a saved project must load
    if (SerializeProject(again) != saved) std::abort();  // and save to the same bytes

    for (auto& page : song.pages) {
        PictureToIndexed(page->graphic, page->graphicConversionMode);
        PlacePicture(page->graphic, page->displayMode, 0);
    }
    return 0;
}
