#pragma once
#include <cstddef>
#include <cstdint>

// The CD+G graphics stream: 24-byte packets, 300 a second, drawing on a 300 x 216 screen of
// 6 x 12-pixel tiles with a 16-entry colour table.

// Packet layout.
inline constexpr size_t kCdgPacketBytes = 24;
inline constexpr size_t kCdgCommandByte = 0;
inline constexpr size_t kCdgInstructionByte = 1;
inline constexpr size_t kCdgDataStart = 4;
inline constexpr size_t kCdgDataBytes = 16;

// Byte 0: mode in bits 3-5, item in bits 0-2; graphics is mode 1, item 1 (command 9).
inline constexpr uint8_t kCdgCommandGraphics = 0x09;
inline constexpr uint8_t kCdgModeMask = 0x38;
inline constexpr uint8_t kCdgModeGraphics = 0x08;
inline constexpr uint8_t kCdgItemMask = 0x07;
inline constexpr uint8_t kCdgItemGraphics = 0x01;
inline constexpr uint8_t kCdgInstructionMask = 0x3F;
// Every data byte of the subcode carries 6 bits.
inline constexpr uint8_t kCdgSixBits = 0x3F;

// Instruction codes.
inline constexpr uint8_t kCdgMemoryPreset = 1;
inline constexpr uint8_t kCdgBorderPreset = 2;
inline constexpr uint8_t kCdgTileNormal = 6;
inline constexpr uint8_t kCdgScrollPreset = 20;
inline constexpr uint8_t kCdgScrollCopy = 24;
inline constexpr uint8_t kCdgDefineTransparent = 28;
inline constexpr uint8_t kCdgLoadColoursLow = 30;
inline constexpr uint8_t kCdgLoadColoursHigh = 31;
inline constexpr uint8_t kCdgTileXor = 38;

// Tile packet fields.
inline constexpr uint8_t kCdgTileColourMask = 0x0F;
inline constexpr uint8_t kCdgTileRowMask = 0x1F;
inline constexpr uint8_t kCdgTileColumnMask = 0x3F;
inline constexpr uint8_t kCdgTileChannelMask = 0x30;
inline constexpr uint8_t kCdgTilePixelMask = 0x3F;
inline constexpr uint8_t kCdgTileLeftPixelBit = 0x20;
inline constexpr size_t kCdgTileColour0 = 0;
inline constexpr size_t kCdgTileColour1 = 1;
inline constexpr size_t kCdgTileRowField = 2;
inline constexpr size_t kCdgTileColumnField = 3;
inline constexpr size_t kCdgTilePatternField = 4;

// Scroll packet fields: command in bits 4-5, offset in the low bits.
inline constexpr size_t kCdgScrollColourField = 0;
inline constexpr size_t kCdgScrollHorizontalField = 1;
inline constexpr size_t kCdgScrollVerticalField = 2;
inline constexpr uint8_t kCdgScrollCommandMask = 0x30;
inline constexpr int kCdgScrollCommandShift = 4;
inline constexpr uint8_t kCdgScrollCommandBits = 0x03;
inline constexpr uint8_t kCdgScrollHorizontalOffsetMask = 0x07;
inline constexpr uint8_t kCdgScrollVerticalOffsetMask = 0x0F;
inline constexpr int kCdgScrollNone = 0;
inline constexpr int kCdgScrollRightOrDown = 1;
inline constexpr int kCdgScrollLeftOrUp = 2;

// Memory Preset: colour and repeat count; always written as a run of 16.
inline constexpr size_t kCdgPresetColourField = 0;
inline constexpr size_t kCdgPresetRepeatField = 1;
inline constexpr int kCdgMemoryPresetRun = 16;

// Screen geometry.
inline constexpr int kCdgScreenWidth = 300;
inline constexpr int kCdgScreenHeight = 216;
inline constexpr int kCdgTileWidth = 6;
inline constexpr int kCdgTileHeight = 12;
inline constexpr int kCdgTileColumns = 50;
inline constexpr int kCdgTileRows = 18;
inline constexpr int kCdgColourCount = 16;
inline constexpr int kCdgColoursPerLoad = 8;
// The visible area: tile columns 1-48, rows 1-16.
inline constexpr int kCdgVisibleLeft = 6;
inline constexpr int kCdgVisibleTop = 12;
inline constexpr int kCdgVisibleRight = 294; // exclusive
inline constexpr int kCdgVisibleBottom = 204; // exclusive
inline constexpr int kCdgContentWidth = 288;
inline constexpr int kCdgContentHeight = 192;
inline constexpr int kCdgContentTileColumns = 48;
inline constexpr int kCdgContentTileRows = 16;

// Timing: 75 sectors a second, four packets each; one packet lasts 147 sample frames at 44,100 Hz.
inline constexpr int kCdgPacketsPerSecond = 300;
inline constexpr uint32_t kCdgSampleRate = 44100;
inline constexpr uint32_t kCdgSampleFramesPerPacket = 147;

// A song position in sample frames and the packet (or byte offset) that plays at it.
constexpr uint64_t PositionToPacket(uint64_t sampleFrames)
{
    return sampleFrames / kCdgSampleFramesPerPacket;
}

constexpr uint64_t PositionToOffset(uint64_t sampleFrames)
{
    return PositionToPacket(sampleFrames) * kCdgPacketBytes;
}

constexpr uint64_t OffsetToPosition(uint64_t byteOffset)
{
    return byteOffset * kCdgSampleFramesPerPacket / kCdgPacketBytes;
}

// Byte 0 of a packet names the graphics command.
constexpr bool IsCdgGraphicsCommand(uint8_t command)
{
    return (command & kCdgModeMask) == kCdgModeGraphics && (command & kCdgItemMask) == kCdgItemGraphics;
}
