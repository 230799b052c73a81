#include "player/CdgPacketDecoder.h"

#include <algorithm>

#include "cdg/CdgPacket.h"
#include "player/CdgScreen.h"

namespace {

// Tiles carry a channel number in the top bits of their two colour bytes; a player shows
// channels 0 and 1.
constexpr int kChannelShiftColour0 = 2;
constexpr int kChannelShiftColour1 = 4;
constexpr int kLastShownChannel = 1;
// Row bytes from 81 to 127 name no row of the screen (the low 5 bits would wrap onto one).
constexpr uint8_t kFirstWrappingRowByte = 81;
constexpr uint8_t kLastWrappingRowByte = 127;
constexpr int kRowOutOfRange = kCdgTileRows;

} // namespace

CdgPacketDecoder::CdgPacketDecoder(CdgScreen* renderer) : m_renderer(renderer) {}

CdgPacketDecoder::~CdgPacketDecoder() = default;

void CdgPacketDecoder::ExecutePacket(std::span<const uint8_t, kCdgPacketBytes> packet)
{
    if (m_renderer == nullptr || !IsCdgGraphicsCommand(packet[kCdgCommandByte])) return;
    const uint8_t* d = packet.data() + kCdgDataStart;
    switch (packet[kCdgInstructionByte] & kCdgInstructionMask) {
    case kCdgMemoryPreset:
        // The repeat count is not looked at: every packet of a run is executed.
        m_renderer->MemoryPreset(d[kCdgPresetColourField] & kCdgSixBits);
        break;
    case kCdgBorderPreset:
        m_renderer->BorderPreset(d[kCdgPresetColourField] & kCdgSixBits);
        break;
    case kCdgTileNormal:
        ExecuteTile(false, d);
        break;
    case kCdgTileXor:
        ExecuteTile(true, d);
        break;
    case kCdgScrollPreset:
        ExecuteScroll(true, d);
        break;
    case kCdgScrollCopy:
        ExecuteScroll(false, d);
        break;
    case kCdgDefineTransparent:
        m_renderer->SetTransparentColour(d[kCdgPresetColourField] & kCdgSixBits);
        break;
    case kCdgLoadColoursLow:
        ExecuteLoadColours(0, d);
        break;
    case kCdgLoadColoursHigh:
        ExecuteLoadColours(kCdgColoursPerLoad, d);
        break;
    default:
        break;
    }
}

void CdgPacketDecoder::ExecuteTile(bool xorTile, const uint8_t* d)
{
    const uint8_t b0 = d[kCdgTileColour0];
    const uint8_t b1 = d[kCdgTileColour1];
    const int channel = ((b0 & kCdgTileChannelMask) >> kChannelShiftColour0) |
                        ((b1 & kCdgTileChannelMask) >> kChannelShiftColour1);
    if (channel > kLastShownChannel) return;
    const uint8_t rowByte = d[kCdgTileRowField];
    const int row = (rowByte >= kFirstWrappingRowByte && rowByte <= kLastWrappingRowByte) ? kRowOutOfRange
                                                                                          : rowByte & kCdgTileRowMask;
    const int column = d[kCdgTileColumnField] & kCdgTileColumnMask;
    const std::span<const uint8_t, kCdgTilePatternRows> pattern(d + kCdgTilePatternField, kCdgTilePatternRows);
    if (xorTile) m_renderer->XorTile(row, column, b0 & kCdgTileColourMask, b1 & kCdgTileColourMask, pattern);
    else m_renderer->DrawTile(row, column, b0 & kCdgTileColourMask, b1 & kCdgTileColourMask, pattern);
}

void CdgPacketDecoder::ExecuteScroll(bool preset, const uint8_t* d)
{
    const uint8_t h = d[kCdgScrollHorizontalField];
    const uint8_t v = d[kCdgScrollVerticalField];
    const int hCommand = (h >> kCdgScrollCommandShift) & kCdgScrollCommandBits;
    const int hOffset = h & kCdgScrollHorizontalOffsetMask;
    const int vCommand = (v >> kCdgScrollCommandShift) & kCdgScrollCommandBits;
    const int vOffset = v & kCdgScrollVerticalOffsetMask;
    if (preset) {
        m_renderer->ScrollPreset(d[kCdgScrollColourField] & kCdgTileColourMask, hCommand, hOffset, vCommand, vOffset);
    } else {
        m_renderer->ScrollCopy(hCommand, hOffset, vCommand, vOffset);
    }
}

void CdgPacketDecoder::ExecuteLoadColours(int first, const uint8_t* d)
{
    std::array<uint32_t, kCdgColoursPerLoad> colours;
    for (size_t i = 0; i < kCdgColoursPerLoad; ++i) colours[i] = ChannelsToColour(DecodeColourPair(d[2 * i], d[2 * i + 1]));
    // An unchanged half costs nothing; the cache starts at zero, so an all-black first table
    // is not drawn either.
    const auto cached = m_colourCache.begin() + first;
    if (std::equal(colours.begin(), colours.end(), cached)) return;
    std::copy(colours.begin(), colours.end(), cached);
    m_renderer->LoadColours(first, kCdgColoursPerLoad, colours);
}
