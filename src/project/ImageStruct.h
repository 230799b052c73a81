#pragma once
#include <cstdint>
#include <string>

#include "project/MBitmap.h"
#include "project/MTextType.h"
#include "project/MTextTypeVer5.h"
#include "project/MTextTypeVer6.h"

// Page kinds.
inline constexpr int32_t kPageTitle = 101;
inline constexpr int32_t kPageLyrics = 102;
inline constexpr int32_t kPageCredits = 103;

// One screen page of a song: title, lyrics (the layout of every lyric page) or credits.
// The stream generator refers to it as CdgPacketGenerator::IMAGE_STRUCT.
struct IMAGE_STRUCT {
    IMAGE_STRUCT();
    virtual ~IMAGE_STRUCT();
    IMAGE_STRUCT(const IMAGE_STRUCT&) = default;
    IMAGE_STRUCT& operator=(const IMAGE_STRUCT&) = default;

    int32_t kind = kPageTitle;
    int32_t reserved0 = 0;
    MTextType style;
    MBitmap graphic;
    int32_t displayMode = 0;
    uint8_t hasGraphic = 0;
    int32_t graphicConversionMode = 1;
    int32_t drawTransition = 2;
    int32_t eraseTransition = 2;
    int32_t backgroundColour = 15;
    int32_t borderColour = 11;
    int32_t reserved1[3] = {0, 0, 0};
    int32_t graphicShare = 0;
    int32_t holdTime = 200; // hundredths of a second
    uint8_t enabled = 1;

    MTextTypeVer5 singerColours;
    MTextTypeVer6 lineStyles;
    std::string text;
};
