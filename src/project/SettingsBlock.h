#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int32_t kProjectVersion = 600;
inline constexpr size_t kSettingsBlockBytes = 52;

// The song-wide settings, stored as thirteen little-endian 32-bit words.
struct SettingsBlock {
    int32_t version = kProjectVersion;
    int32_t singerCount = 1;  // 1 solo, 2 duet
    int32_t linesPerPage = 4; // 2..6 solo, 3..6 duet
    int32_t sweepKind = 0;    // 0 text, 1 background
    int32_t sweepColour = 14;
    int32_t advanceSweep = -20; // hundredths of a second, -500..0
    uint8_t loopBeforeUnit = 0; // 0 words, 1 time
    int32_t loopBefore = 3000;  // thousandths
    uint8_t loopAfterUnit = 0;
    int32_t loopAfter = 3000;
    int32_t adjustAmount = 200; // milliseconds
    uint32_t reserved = 0;
    uint8_t adjustUsed = 0;
    uint8_t reservedByte = 0;

    std::array<uint8_t, kSettingsBlockBytes> ToBytes() const;
    static SettingsBlock FromBytes(const uint8_t* bytes);
};
