#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "cdg/CdgFormat.h"
#include "media/ColourValue.h"

// Colours above the packet level are colour values (media/ColourValue.h). A packet carries 4
// bits per channel.
using ColourTable = std::array<uint32_t, kCdgColourCount>;

// A colour as the packet carries it: 0-15 per channel.
struct CdgChannels {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const CdgChannels&) const = default;
};

inline constexpr uint8_t kCdgChannelMax = 15;
// 255 / 15: the step between the 8-bit values of neighbouring 4-bit levels.
inline constexpr uint8_t kCdgChannelStep = 17;

// 8-bit to 4-bit by whole-number division, no rounding: 0-16 -> 0, 17-33 -> 1, ..., 255 -> 15.
constexpr CdgChannels ColourToChannels(uint32_t colour)
{
    return {uint8_t(ColourRed(colour) / kCdgChannelStep), uint8_t(ColourGreen(colour) / kCdgChannelStep),
            uint8_t(ColourBlue(colour) / kCdgChannelStep)};
}

// 4-bit to 8-bit: each level v becomes v x 17, so 15 is 255.
constexpr uint32_t ChannelsToColour(CdgChannels c)
{
    return MakeColourValue(uint8_t((c.red & kCdgChannelMax) * kCdgChannelStep),
                           uint8_t((c.green & kCdgChannelMax) * kCdgChannelStep),
                           uint8_t((c.blue & kCdgChannelMax) * kCdgChannelStep));
}

// The two-byte colour form of a Load Colour Table packet: r x 4 + (g >> 2), then (g & 3) x 16 + b.
constexpr std::array<uint8_t, 2> EncodeColourPair(CdgChannels c)
{
    return {uint8_t((((c.red & kCdgChannelMax) << 2) | ((c.green & kCdgChannelMax) >> 2)) & kCdgSixBits),
            uint8_t((((c.green & 0x03) << 4) | (c.blue & kCdgChannelMax)) & kCdgSixBits)};
}

constexpr CdgChannels DecodeColourPair(uint8_t high, uint8_t low)
{
    return {uint8_t((high >> 2) & 0x0F), uint8_t(((high & 0x03) << 2) | ((low >> 4) & 0x03)), uint8_t(low & 0x0F)};
}

// The table index whose colour lies nearest to the colour (Euclidean distance over the 8-bit
// channels; ties keep the lower index). A colour of the table maps to its own (lowest) index.
int NearestColourIndex(uint32_t colour, std::span<const uint32_t> table);
