#include "text/TextDirection.h"

#include <unicode/uchar.h>

#include "text/Utf8.h"

bool StartsRightToLeft(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += NextCodePoint(utf8, i, cp);
        if (cp < 0x80 && !((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z')) continue; // ASCII without a direction
        switch (u_charDirection(UChar32(cp))) {
        case U_LEFT_TO_RIGHT: return false;
        case U_RIGHT_TO_LEFT:
        case U_RIGHT_TO_LEFT_ARABIC: return true;
        default: break;
        }
    }
    return false;
}
