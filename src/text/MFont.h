#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "text/IndexSurface.h"

// What a font is asked for: face name, cell height in pixels (ascent + descent), weight and
// slant, underline.
struct FontSpec {
    std::string face = "Arial";
    int cellHeight = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const FontSpec&) const = default;
};

// A screen font with the metrics of a classic desktop text API: the size is the cell height,
// widths are whole pixels, and glyphs are drawn monochrome so every inked pixel takes exactly
// the index it is drawn with. Text is Windows-1252 bytes. Fonts are shared through Get().
class MFont {
public:
    // The font for request, made once and kept. A face that is not installed falls back to the
    // system's default face. Never null; an unusable font measures and draws nothing.
    static std::shared_ptr<const MFont> Get(const FontSpec& request);

    ~MFont();
    MFont(const MFont&) = delete;
    MFont& operator=(const MFont&) = delete;

    bool Valid() const;
    const FontSpec& Requested() const { return m_spec; }
    // The file and family fontconfig chose.
    const std::string& FilePath() const { return m_filePath; }
    const std::string& Family() const { return m_family; }

    int CellHeight() const { return m_spec.cellHeight; }
    int Ascent() const { return m_ascent; }
    int AverageCharWidth() const { return m_averageWidth; }

    // Width of the text in pixels (sum of the glyph advances).
    int Measure(std::string_view text) const;
    // Draws text with its cell's top-left corner at (x, y); inked pixels get `index`.
    void Draw(IndexSurface& surface, int x, int y, std::string_view text, uint8_t index) const;

private:
    struct Glyph;
    struct Face;
    explicit MFont(const FontSpec& request);
    const Glyph& GlyphFor(unsigned char byte) const;

    FontSpec m_spec;
    std::string m_filePath;
    std::string m_family;
    std::unique_ptr<Face> m_face;
    int m_ascent = 0;
    int m_averageWidth = 0;
    int m_underlinePosition = 0;
    int m_underlineThickness = 1;
    mutable std::mutex m_mutex;
    mutable std::array<std::unique_ptr<Glyph>, 256> m_glyphs;
};
