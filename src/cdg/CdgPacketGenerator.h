#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "cdg/CdgBufferSink.h"
#include "cdg/CdgColour.h"
#include "cdg/CdgPacket.h"
#include "cdg/CdgPacketSink.h"
#include "cdg/IndexImageView.h"
#include "project/ImageStruct.h"

// The one producer of CD+G packets. They go to a packet sink: a caller's zero-filled stream
// buffer (a song stream), a screen on the player's side that shows them at once (previews), or
// nowhere. Offsets are byte offsets into the stream; every write returns how far the caller's
// running offset advances.
class CdgPacketGenerator {
public:
    using IMAGE_STRUCT = ::IMAGE_STRUCT;

    // No target.
    CdgPacketGenerator();
    // Packets go into the buffer by the slot rule. The caller owns the buffer and keeps it alive.
    explicit CdgPacketGenerator(std::span<uint8_t> buffer);
    CdgPacketGenerator(uint8_t* buffer, size_t size);
    // Everything goes to the sink, which the caller keeps alive.
    explicit CdgPacketGenerator(CdgPacketSink& sink);
    virtual ~CdgPacketGenerator();

    CdgPacketGenerator(const CdgPacketGenerator&) = delete;
    CdgPacketGenerator& operator=(const CdgPacketGenerator&) = delete;

    CdgPacketSink& Sink() const { return *m_sink; }

    // Share of the 16 tile rows of an image that are drawn, in percent (100 at construction).
    void SetImageHeightPercent(int percent) { m_imageHeightPercent = percent; }
    int ImageHeightPercent() const { return m_imageHeightPercent; }
    // floor(percent x 16 / 100), kept within 0-16.
    int DrawnImageTileRows() const;
    // Whether a text line's right edge gains the font's average character width (1 at construction).
    void SetLineWidthFlag(int flag) { m_lineWidthFlag = flag; }
    int LineWidthFlag() const { return m_lineWidthFlag; }

    // One packet to the sink: into the buffer at the first free slot at or after offset, and to
    // a screen that interprets it at once. Returns 24 plus the distance skipped over taken slots.
    size_t WritePacket(size_t offset, const CdgPacket& packet);
    // A screen gets the 16 colours; then a code-30 and a code-31 packet.
    size_t LoadColorTable(std::span<const uint32_t, kCdgColourCount> colours, size_t offset);
    // The page's colour table (its picture's table).
    size_t LoadColorTable(const IMAGE_STRUCT& page, size_t offset);
    // A screen clears to the colour; then the run of 16 Memory Preset packets.
    size_t PresetMemory(int colour, size_t offset);
    size_t PresetBorder(int colour, size_t offset);
    // One plain tile of a single colour.
    size_t WriteSolidTile(int column, int row, int colour, size_t offset);
    // One 6 x 12 tile of the image at screen tile (screenColumn, screenRow): a plain tile of the
    // two lowest indices, then one XOR layer for each further index. Nothing is written (0 is
    // returned) for a tile that does not lie wholly inside the image.
    size_t WriteImageTile(const IndexImageView& image, int tileColumn, int tileRow, int screenColumn, int screenRow,
                          size_t offset);
    // Builds (does not write) the XOR packet that turns the pixels of the colour from the base
    // colour into that colour; none when the tile holds no pixel of the colour.
    std::optional<CdgPacket> WriteColorLayer(const IndexImageView& image, int tileColumn, int tileRow,
                                             int screenColumn, int screenRow, int colour, int baseColour) const;
    // Returns 0 and writes nothing when the sink takes no packets.
    size_t WriteScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset,
                           size_t offset);

    // A page's colour table as colour values (red in the low byte).
    static ColourTable PageColourTable(const IMAGE_STRUCT& page);

private:
    CdgBufferSink m_ownBuffer;
    CdgPacketSink* m_sink;
    int m_imageHeightPercent = 100;
    int m_lineWidthFlag = 1;
};
