#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/IndexSurface.h"
#include "text/TextEncoding.h"

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
// the index it is drawn with. Text is UTF-8. A character the requested face lacks is drawn from
// the first installed face that has it (fontconfig's order for the request), on the same baseline
// and at the same em size; one that no face has is the face's missing-glyph box. Fonts are shared
// through Get().
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
    struct Span {
        int left = 0;
        int right = 0;
    };
    // Draws, of text laid out whole at (x, y), only the glyphs of the characters whose bytes lie
    // in [begin, end): a word as it stands in its line, joined and ordered as the line has it.
    // Returns the columns of the surface it may have drawn on ({0, 0} for none).
    Span DrawRange(IndexSurface& surface, int x, int y, std::string_view text, size_t begin, size_t end,
                   uint8_t index) const;
    // Where the characters of text in the bytes [begin, end) stand when text is laid out whole
    // from x = 0: from the left edge of the leftmost to the right edge of the rightmost (their
    // advances); {0, 0} when there are none. Left to right text that needs no shaping gives the
    // widths of the text before begin and before end.
    Span SpanOf(std::string_view text, size_t begin, size_t end) const;
    // The same characters in the pieces they stand in side by side, from left to right: one piece
    // unless the line's reading order puts other characters between them (a left to right word
    // among right to left ones, or the other way round).
    std::vector<Span> PiecesOf(std::string_view text, size_t begin, size_t end) const;
    // Whether the character at byte `at` of text is read right to left there (Hebrew, Arabic, or
    // anything within such a run).
    bool RightToLeftAt(std::string_view text, size_t at) const;
    // Whether this face or an installed fallback has a glyph for the character.
    bool CanDraw(char32_t cp) const;
    // The characters of a text that no installed face can draw, each once, with the line (from 1,
    // counting line feeds) where it first appears.
    std::vector<TextCharacter> Undrawable(std::string_view text) const;

private:
    struct Glyph;
    struct Face;
    explicit MFont(const FontSpec& request);
    const Glyph& GlyphFor(char32_t cp) const;
    const Glyph& ShapedGlyph(const Face* face, uint32_t index) const;
    struct Placed;
    std::vector<Placed> LayOut(std::string_view text, int& width) const;
    Span DrawPlaced(IndexSurface& surface, int x, int y, const std::vector<Placed>& glyphs, size_t begin, size_t end,
                    uint8_t index) const;
    void DrawUnderline(IndexSurface& surface, int y, int left, int right, uint8_t index) const;
    static Span RangeSpan(const std::vector<Placed>& glyphs, size_t begin, size_t end);
    const Face* FaceFor(char32_t cp) const;
    const Face* FallbackFace(size_t index) const;
    bool LoadFace(const std::string& file, int index, int weight, int slant, Face& face) const;

    FontSpec m_spec;
    std::string m_filePath;
    std::string m_family;
    std::unique_ptr<Face> m_face;
    int m_ascent = 0;
    int m_averageWidth = 0;
    int m_underlinePosition = 0;
    int m_underlineThickness = 1;
    mutable std::mutex m_mutex;
    double m_ppem = 0; // the em size every face is drawn at
    // The glyph of each character drawn without shaping, kept among those by face and index.
    mutable std::unordered_map<char32_t, const Glyph*> m_glyphs;
    // Glyphs by face and glyph index.
    mutable std::map<std::pair<const Face*, uint32_t>, std::unique_ptr<Glyph>> m_shapedGlyphs;
    // The last shaped texts: a line is laid out again for every word of it that is measured.
    struct ShapedText;
    mutable std::vector<ShapedText> m_shaped;
    mutable size_t m_nextShaped = 0;
    // fontconfig's faces for the request, in its order, made when a character first needs one.
    struct FallbackEntry;
    mutable std::vector<FallbackEntry> m_fallbacks;
    mutable bool m_fallbacksListed = false;
};
