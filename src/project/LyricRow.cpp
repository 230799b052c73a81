#include "project/LyricRow.h"

LyricRow LyricRowFor(int32_t graphicShare, int32_t linesPerPage, int32_t slot)
{
    switch (graphicShare) {
    case 50:
        return {2 * linesPerPage, linesPerPage + slot};
    case 75:
        return {4 * linesPerPage, 3 * linesPerPage + slot};
    case 0:
        return {linesPerPage, slot};
    default: // a share the dialog never sets: every line on the first row
        return {linesPerPage, 0};
    }
}
