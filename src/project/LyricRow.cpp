#include "project/LyricRow.h"

int32_t UsableGraphicShare(int32_t graphicShare)
{
    return graphicShare == 50 || graphicShare == 75 ? graphicShare : 0;
}

LyricRow LyricRowFor(int32_t graphicShare, int32_t linesPerPage, int32_t slot)
{
    switch (UsableGraphicShare(graphicShare)) {
    case 50:
        return {2 * linesPerPage, linesPerPage + slot};
    case 75:
        return {4 * linesPerPage, 3 * linesPerPage + slot};
    default:
        return {linesPerPage, slot};
    }
}
