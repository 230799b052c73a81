#pragma once
#include <array>
#include <string>
#include <vector>

#include "player/CdgScreenOutput.h"
#include "player/RgbImage.h"

inline constexpr int kSnapshotMaxScale = 16;

// Composes what a screen shows into a picture of (300 x scale) x (216 x scale) pixels: the
// visible 288 x 192 area through the scroll offsets, with the border ring in the border colour.
// It shows only what the renderer presents to it, exactly as a window would.
class CdgScreenPicture : public CdgScreenOutput {
public:
    // scale is kept within 1 to kSnapshotMaxScale.
    explicit CdgScreenPicture(int scale = 1);

    int Scale() const { return m_scale; }
    const RgbImage& Image() const { return m_image; }
    bool WritePng(const std::string& path) const;

    CdgRect ClientArea() const override;
    void Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination) override;
    void Fill(const CdgRect& destination, int index, uint32_t colour) override;

private:
    CdgRect Clip(const CdgRect& r) const;

    int m_scale = 1;
    RgbImage m_image;
    std::vector<int> m_sourceColumns; // per destination column of the last blit
};
