#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "cdg/CdgFormat.h"

inline constexpr size_t kCdgTilePatternRows = 12;
using TilePattern = std::array<uint8_t, kCdgTilePatternRows>;

// One 24-byte subcode packet. The builders write the instructions exactly as the stream carries
// them: command 9, the instruction, zero parity, every data byte masked to its field.
struct CdgPacket {
    std::array<uint8_t, kCdgPacketBytes> bytes{};

    uint8_t Command() const { return bytes[kCdgCommandByte]; }
    uint8_t Instruction() const { return bytes[kCdgInstructionByte] & kCdgInstructionMask; }
    uint8_t Data(size_t index) const { return bytes[kCdgDataStart + index]; }
    uint8_t& Data(size_t index) { return bytes[kCdgDataStart + index]; }
    std::span<const uint8_t, kCdgPacketBytes> Span() const { return std::span<const uint8_t, kCdgPacketBytes>(bytes); }
    bool operator==(const CdgPacket&) const = default;

    // An empty graphics packet of the instruction: every data byte 0.
    static CdgPacket Graphics(uint8_t instruction);
    static CdgPacket MemoryPreset(int colour, int repeat);
    static CdgPacket BorderPreset(int colour);
    // instruction is kCdgTileNormal or kCdgTileXor; pattern rows top first, bit 5 the leftmost pixel.
    static CdgPacket Tile(uint8_t instruction, int colour0, int colour1, int row, int column,
                          const TilePattern& pattern);
    static CdgPacket ScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand,
                                int verticalOffset);
    // instruction is kCdgLoadColoursLow (entries 0-7) or kCdgLoadColoursHigh (8-15); the eight
    // colours are 24-bit colour values.
    static CdgPacket LoadColours(uint8_t instruction, std::span<const uint32_t, kCdgColoursPerLoad> colours);
};
