#pragma once
#include <cstdint>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cdg/PageCanvas.h"
#include "player/CdgStreamSnapshot.h"

// Reading back what a writer put into a stream buffer.
struct StreamPacket {
    size_t index;
    uint8_t instruction;
    std::array<uint8_t, kCdgDataBytes> data;
    int Row() const { return data[kCdgTileRowField] & kCdgTileRowMask; }
    int Column() const { return data[kCdgTileColumnField] & kCdgTileColumnMask; }
    int HorizontalCommand() const { return (data[kCdgScrollHorizontalField] >> 4) & 3; }
    int HorizontalOffset() const { return data[kCdgScrollHorizontalField] & 7; }
    int VerticalCommand() const { return (data[kCdgScrollVerticalField] >> 4) & 3; }
    int VerticalOffset() const { return data[kCdgScrollVerticalField] & 15; }
};

inline std::vector<StreamPacket> Packets(std::span<const uint8_t> stream)
{
    std::vector<StreamPacket> out;
    for (size_t i = 0; i + kCdgPacketBytes <= stream.size(); i += kCdgPacketBytes) {
        if (stream[i] == 0) continue;
        StreamPacket p{i / kCdgPacketBytes, uint8_t(stream[i + 1] & 0x3F), {}};
        for (size_t d = 0; d < kCdgDataBytes; ++d) p.data[d] = stream[i + kCdgDataStart + d];
        out.push_back(p);
    }
    return out;
}

// The visible 288 x 192 area of the screen after every packet of the stream, as indices.
inline PageCanvas ScreenAfter(std::span<const uint8_t> stream)
{
    CdgStreamSnapshot player(stream);
    player.ExecuteUntil(player.PacketCount());
    PageCanvas screen;
    const CdgScreen& r = player.Renderer();
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) screen.Set(x, y, r.Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop));
    return screen;
}
