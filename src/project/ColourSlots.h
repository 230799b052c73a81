#pragma once
#include <cstdint>

// Fixed roles of the 16 colour table slots of every page.
inline constexpr int32_t kSlotCount = 16;
inline constexpr int32_t kSlotSinger2 = 9;
inline constexpr int32_t kSlotBoth = 10;
inline constexpr int32_t kSlotBorder = 11;
inline constexpr int32_t kSlotText = 12; // also Singer 1
inline constexpr int32_t kSlotShadow = 13;
inline constexpr int32_t kSlotSweep = 14;
inline constexpr int32_t kSlotBackground = 15;
// Slots 0..10 colour the styled lines of title and credits pages.
inline constexpr int32_t kLastStyledLineSlot = 10;
