#include "cdg/CdgPacket.h"

#include "cdg/CdgColour.h"

namespace {

// Only the low bits of a field survive; negative arguments wrap like any other out-of-range value.
uint8_t Field(int value, uint8_t mask)
{
    return uint8_t(static_cast<unsigned>(value) & mask);
}

// A scroll field: command x 16 in bits 4-5, offset below.
uint8_t ScrollField(int command, int offset, uint8_t offsetMask)
{
    return uint8_t(((static_cast<unsigned>(command) << kCdgScrollCommandShift) & kCdgScrollCommandMask) |
                   Field(offset, offsetMask));
}

} // namespace

CdgPacket CdgPacket::Graphics(uint8_t instruction)
{
    CdgPacket p;
    p.bytes[kCdgCommandByte] = kCdgCommandGraphics;
    p.bytes[kCdgInstructionByte] = instruction & kCdgInstructionMask;
    return p;
}

CdgPacket CdgPacket::MemoryPreset(int colour, int repeat)
{
    CdgPacket p = Graphics(kCdgMemoryPreset);
    p.Data(kCdgPresetColourField) = Field(colour, kCdgSixBits);
    p.Data(kCdgPresetRepeatField) = Field(repeat, kCdgSixBits);
    return p;
}

CdgPacket CdgPacket::BorderPreset(int colour)
{
    CdgPacket p = Graphics(kCdgBorderPreset);
    p.Data(kCdgPresetColourField) = Field(colour, kCdgSixBits);
    return p;
}

CdgPacket CdgPacket::Tile(uint8_t instruction, int colour0, int colour1, int row, int column,
                          const TilePattern& pattern)
{
    CdgPacket p = Graphics(instruction);
    p.Data(kCdgTileColour0) = Field(colour0, kCdgTileColourMask);
    p.Data(kCdgTileColour1) = Field(colour1, kCdgTileColourMask);
    p.Data(kCdgTileRowField) = Field(row, kCdgTileRowMask);
    p.Data(kCdgTileColumnField) = Field(column, kCdgTileColumnMask);
    for (size_t i = 0; i < kCdgTilePatternRows; ++i) p.Data(kCdgTilePatternField + i) = pattern[i] & kCdgTilePixelMask;
    return p;
}

CdgPacket CdgPacket::ScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset)
{
    CdgPacket p = Graphics(kCdgScrollCopy);
    p.Data(kCdgScrollHorizontalField) = ScrollField(horizontalCommand, horizontalOffset, kCdgScrollHorizontalOffsetMask);
    p.Data(kCdgScrollVerticalField) = ScrollField(verticalCommand, verticalOffset, kCdgScrollVerticalOffsetMask);
    return p;
}

CdgPacket CdgPacket::LoadColours(uint8_t instruction, std::span<const uint32_t, kCdgColoursPerLoad> colours)
{
    CdgPacket p = Graphics(instruction);
    for (size_t i = 0; i < kCdgColoursPerLoad; ++i) {
        const auto pair = EncodeColourPair(ColourToChannels(colours[i]));
        p.Data(2 * i) = pair[0];
        p.Data(2 * i + 1) = pair[1];
    }
    return p;
}
