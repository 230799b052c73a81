#include "text/TextDirection.h"

#include <algorithm>

#include <unicode/uchar.h>

#include "text/Utf8.h"

namespace {

// The direction a character has of its own: 1 right to left, 0 left to right, -1 none.
int StrongDirection(char32_t cp)
{
    if (cp < 0x80 && !((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z')) return -1; // ASCII without a direction
    switch (u_charDirection(UChar32(cp))) {
    case U_LEFT_TO_RIGHT: return 0;
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC: return 1;
    default: return -1;
    }
}

} // namespace

bool StartsRightToLeft(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += NextCodePoint(utf8, i, cp);
        if (const int direction = StrongDirection(cp); direction >= 0) return direction == 1;
    }
    return false;
}

size_t FirstStrongLetter(std::string_view utf8, size_t begin, size_t end)
{
    end = std::min(end, utf8.size());
    for (size_t i = begin; i < end;) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(utf8, i, cp);
        if (StrongDirection(cp) >= 0) return i;
        i += n;
    }
    return begin;
}
