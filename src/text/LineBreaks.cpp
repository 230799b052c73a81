#include "text/LineBreaks.h"

#include <unicode/ubrk.h>

#include "text/Utf8.h"

std::vector<size_t> LineBreakOpportunities(std::string_view utf8)
{
    std::vector<size_t> breaks;
    std::vector<UChar> units;
    std::vector<size_t> byteOf; // the byte each unit starts at
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(utf8, i, cp);
        if (cp >= 0x10000) {
            units.push_back(UChar(0xD800 + ((cp - 0x10000) >> 10)));
            byteOf.push_back(i);
            cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
        }
        units.push_back(UChar(cp));
        byteOf.push_back(i);
        i += n;
    }
    byteOf.push_back(utf8.size());
    UErrorCode error = U_ZERO_ERROR;
    UBreakIterator* iterator = ubrk_open(UBRK_LINE, "", units.data(), int32_t(units.size()), &error);
    if (U_FAILURE(error)) return breaks;
    for (int32_t at = ubrk_first(iterator); at != UBRK_DONE; at = ubrk_next(iterator))
        if (at > 0 && size_t(at) < units.size()) breaks.push_back(byteOf[size_t(at)]);
    ubrk_close(iterator);
    return breaks;
}
