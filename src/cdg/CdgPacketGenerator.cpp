#include "cdg/CdgPacketGenerator.h"

#include <algorithm>
#include <array>


namespace {

constexpr int kPercentWhole = 100;

// The tile's pattern rows with a bit set wherever the image pixel has the index.
TilePattern PatternOf(const IndexImageView& image, int tileColumn, int tileRow, int index)
{
    TilePattern pattern{};
    const int x0 = tileColumn * kCdgTileWidth;
    const int y0 = tileRow * kCdgTileHeight;
    for (int i = 0; i < kCdgTileHeight; ++i) {
        uint8_t bits = 0;
        for (int j = 0; j < kCdgTileWidth; ++j) {
            if (image.At(x0 + j, y0 + i) == index) bits |= uint8_t(kCdgTileLeftPixelBit >> j);
        }
        pattern[size_t(i)] = bits;
    }
    return pattern;
}

} // namespace

CdgPacketGenerator::CdgPacketGenerator() : m_sink(&m_ownBuffer) {}

CdgPacketGenerator::CdgPacketGenerator(std::span<uint8_t> buffer) : m_ownBuffer(buffer), m_sink(&m_ownBuffer) {}

CdgPacketGenerator::CdgPacketGenerator(uint8_t* buffer, size_t size)
    : m_ownBuffer(buffer != nullptr ? std::span<uint8_t>(buffer, size) : std::span<uint8_t>()), m_sink(&m_ownBuffer)
{
}

CdgPacketGenerator::CdgPacketGenerator(CdgPacketSink& sink) : m_sink(&sink) {}

CdgPacketGenerator::~CdgPacketGenerator() = default;

int CdgPacketGenerator::DrawnImageTileRows() const
{
    const int rows = m_imageHeightPercent * kCdgContentTileRows / kPercentWhole;
    return std::clamp(rows, 0, kCdgContentTileRows);
}

size_t CdgPacketGenerator::WritePacket(size_t offset, const CdgPacket& packet)
{
    return m_sink->Write(offset, packet);
}

size_t CdgPacketGenerator::LoadColorTable(std::span<const uint32_t, kCdgColourCount> colours, size_t offset)
{
    m_sink->ShowColours(colours);
    const auto low = colours.first<kCdgColoursPerLoad>();
    const auto high = colours.last<kCdgColoursPerLoad>();
    size_t advance = WritePacket(offset, CdgPacket::LoadColours(kCdgLoadColoursLow, low));
    advance += WritePacket(offset + advance, CdgPacket::LoadColours(kCdgLoadColoursHigh, high));
    return advance;
}

size_t CdgPacketGenerator::LoadColorTable(const IMAGE_STRUCT& page, size_t offset)
{
    const ColourTable table = PageColourTable(page);
    return LoadColorTable(std::span<const uint32_t, kCdgColourCount>(table), offset);
}

size_t CdgPacketGenerator::PresetMemory(int colour, size_t offset)
{
    m_sink->ShowMemoryPreset(colour);
    size_t advance = 0;
    for (int repeat = 0; repeat < kCdgMemoryPresetRun; ++repeat) {
        advance += WritePacket(offset + advance, CdgPacket::MemoryPreset(colour, repeat));
    }
    return advance;
}

size_t CdgPacketGenerator::PresetBorder(int colour, size_t offset)
{
    m_sink->ShowBorderPreset(colour);
    return WritePacket(offset, CdgPacket::BorderPreset(colour));
}

size_t CdgPacketGenerator::WriteSolidTile(int column, int row, int colour, size_t offset)
{
    return WritePacket(offset, CdgPacket::Tile(kCdgTileNormal, colour, colour, row, column, TilePattern{}));
}

size_t CdgPacketGenerator::WriteImageTile(const IndexImageView& image, int tileColumn, int tileRow, int screenColumn,
                                    int screenRow, size_t offset)
{
    if (!image.HasTile(tileColumn, tileRow)) return 0;

    std::array<int, kCdgColourCount> counts{};
    const int x0 = tileColumn * kCdgTileWidth;
    const int y0 = tileRow * kCdgTileHeight;
    for (int y = 0; y < kCdgTileHeight; ++y) {
        for (int x = 0; x < kCdgTileWidth; ++x) ++counts[image.At(x0 + x, y0 + y)];
    }

    int base = -1;
    int second = -1;
    for (int i = 0; i < kCdgColourCount && second < 0; ++i) {
        if (counts[size_t(i)] == 0) continue;
        if (base < 0) base = i;
        else second = i;
    }
    // A one-colour tile sets every bit of colour 1, which equals colour 0.
    if (second < 0) second = base;

    size_t advance = WritePacket(offset, CdgPacket::Tile(kCdgTileNormal, base, second, screenRow, screenColumn,
                                                         PatternOf(image, tileColumn, tileRow, second)));
    // Every further index is XORed over the base colour that its pixels show now.
    for (int index = second + 1; index < kCdgColourCount; ++index) {
        if (counts[size_t(index)] == 0) continue;
        advance += WritePacket(offset + advance, CdgPacket::Tile(kCdgTileXor, 0, index ^ base, screenRow, screenColumn,
                                                                 PatternOf(image, tileColumn, tileRow, index)));
    }
    return advance;
}

std::optional<CdgPacket> CdgPacketGenerator::WriteColorLayer(const IndexImageView& image, int tileColumn, int tileRow,
                                                       int screenColumn, int screenRow, int colour,
                                                       int baseColour) const
{
    if (!image.HasTile(tileColumn, tileRow)) return std::nullopt;
    const TilePattern pattern = PatternOf(image, tileColumn, tileRow, colour);
    if (std::all_of(pattern.begin(), pattern.end(), [](uint8_t bits) { return bits == 0; })) return std::nullopt;
    return CdgPacket::Tile(kCdgTileXor, 0, colour ^ baseColour, screenRow, screenColumn, pattern);
}

size_t CdgPacketGenerator::WriteScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand,
                                     int verticalOffset, size_t offset)
{
    if (!m_sink->TakesPackets()) return 0;
    return WritePacket(offset,
                       CdgPacket::ScrollCopy(horizontalCommand, horizontalOffset, verticalCommand, verticalOffset));
}

ColourTable CdgPacketGenerator::PageColourTable(const IMAGE_STRUCT& page)
{
    ColourTable table{};
    for (size_t i = 0; i < table.size(); ++i) {
        const RgbQuad& q = page.graphic.colours[i];
        table[i] = MakeColourValue(q.red, q.green, q.blue);
    }
    return table;
}
