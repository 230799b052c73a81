#include "text/MFont.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <hb-ft.h>
#include <hb.h>
#include <unicode/ubidi.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "text/Utf8.h"

namespace {

// One FreeType library for the process; FreeType faces are not shared between threads,
// so every access goes through the owning font's mutex and this library's mutex on creation.
struct FreeTypeLibrary {
    FT_Library library = nullptr;
    std::mutex mutex;
    FreeTypeLibrary() { FT_Init_FreeType(&library); }
    ~FreeTypeLibrary()
    {
        if (library) FT_Done_FreeType(library);
    }
};

// Fonts live in a process-wide cache that is never torn down, so the library must outlive
// every face: both are kept until the process ends.
FreeTypeLibrary& Library()
{
    static FreeTypeLibrary* lib = new FreeTypeLibrary;
    return *lib;
}

struct ResolvedFace {
    std::string file;
    int index = 0;
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
};

std::mutex& FontconfigMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The fontconfig pattern of a request, substituted and defaulted; null when fontconfig fails.
FcPattern* RequestPattern(const FontSpec& request)
{
    if (!FcInit()) return nullptr;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    const std::string& family = request.face;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// Reads a matched pattern's file, index, family, weight and slant.
bool ReadResolved(FcPattern* match, ResolvedFace& out)
{
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || !file) return false;
    out.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
    if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam)
        out.family = reinterpret_cast<const char*>(fam);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &out.weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &out.slant);
    return true;
}

// Asks fontconfig for the installed face nearest to the request.
bool ResolveFace(const FontSpec& request, ResolvedFace& out)
{
    std::lock_guard lock(FontconfigMutex());
    FcPattern* pattern = RequestPattern(request);
    if (!pattern) return false;
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    const bool ok = ReadResolved(match, out);
    FcPatternDestroy(match);
    return ok;
}

// The installed faces in fontconfig's order for the request, each with the characters it has.
std::vector<std::pair<ResolvedFace, FcCharSet*>> SortedFaces(const FontSpec& request)
{
    std::vector<std::pair<ResolvedFace, FcCharSet*>> faces;
    std::lock_guard lock(FontconfigMutex());
    FcPattern* pattern = RequestPattern(request);
    if (!pattern) return faces;
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcPattern* font = FcFontRenderPrepare(nullptr, pattern, set->fonts[i]);
            if (!font) continue;
            ResolvedFace resolved;
            FcCharSet* charset = nullptr;
            FcBool outline = FcFalse;
            if (ReadResolved(font, resolved) && FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch &&
                FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline)
                faces.emplace_back(std::move(resolved), FcCharSetCopy(charset));
            FcPatternDestroy(font);
        }
        FcFontSetDestroy(set);
    }
    FcPatternDestroy(pattern);
    return faces;
}

int RoundToInt(double v)
{
    return static_cast<int>(std::lround(v));
}

bool InRange(char32_t cp, char32_t first, char32_t last)
{
    return cp >= first && cp <= last;
}

// Characters that a shaper must place: right-to-left scripts, scripts whose letters join, reorder
// or stack, and combining marks. Text without them is laid out a character at a time, exactly as
// it always was.
bool NeedsShaping(char32_t cp)
{
    return InRange(cp, 0x0300, 0x036F) || InRange(cp, 0x0483, 0x0489) || InRange(cp, 0x0590, 0x08FF) ||
           InRange(cp, 0x0900, 0x0DFF) || InRange(cp, 0x0E00, 0x0FFF) || InRange(cp, 0x1000, 0x109F) ||
           InRange(cp, 0x1100, 0x11FF) || InRange(cp, 0x1780, 0x18AF) || InRange(cp, 0x1AB0, 0x1AFF) ||
           InRange(cp, 0x1DC0, 0x1DFF) || InRange(cp, 0x200C, 0x200F) || InRange(cp, 0x202A, 0x202E) ||
           InRange(cp, 0x2066, 0x2069) || InRange(cp, 0x20D0, 0x20FF) || InRange(cp, 0xA8E0, 0xA8FF) ||
           InRange(cp, 0xFB1D, 0xFDFF) || InRange(cp, 0xFE20, 0xFE2F) || InRange(cp, 0xFE70, 0xFEFF) ||
           InRange(cp, 0x10800, 0x10FFF) || InRange(cp, 0x1E800, 0x1EFFF);
}

} // namespace

struct MFont::Glyph {
    int left = 0;    // from the pen position to the first bitmap column
    int top = 0;     // from the baseline up to the first bitmap row
    int width = 0;
    int rows = 0;
    int pitch = 0;
    int advance = 0; // whole pixels
    std::vector<uint8_t> bits; // one bit a pixel, MSB first, rows of `pitch` bytes
};

struct MFont::Face {
    FT_Face face = nullptr;
    bool synthBold = false;
    bool synthItalic = false;
    hb_font_t* shaper = nullptr; // made when a text first needs shaping
    hb_font_t* Shaper()
    {
        if (!shaper) {
            shaper = hb_ft_font_create_referenced(face);
            hb_ft_font_set_load_flags(shaper, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP);
        }
        return shaper;
    }
    ~Face()
    {
        if (shaper) hb_font_destroy(shaper);
        if (face) {
            std::lock_guard lock(Library().mutex);
            FT_Done_Face(face);
        }
    }
};

struct MFont::Placed {
    const Glyph* glyph = nullptr;
    int x = 0;        // the glyph's origin from the text's left
    int up = 0;       // its origin above the baseline
    int advance = 0;
    size_t cluster = 0;    // the first byte of the characters it draws
    size_t clusterEnd = 0; // and the byte after them
    bool rightToLeft = false;
};

struct MFont::ShapedText {
    std::string text;
    std::vector<Placed> glyphs;
    int width = 0;
};

struct MFont::FallbackEntry {
    ResolvedFace resolved;
    FcCharSet* charset = nullptr;
    std::unique_ptr<Face> face; // loaded when first used
    bool loadFailed = false;
    FallbackEntry(ResolvedFace r, FcCharSet* c) : resolved(std::move(r)), charset(c) {}
    // A moved entry gives its reference to the character set away: one destroy per copy taken.
    FallbackEntry(FallbackEntry&& other) noexcept
        : resolved(std::move(other.resolved)), charset(std::exchange(other.charset, nullptr)),
          face(std::move(other.face)), loadFailed(other.loadFailed)
    {
    }
    FallbackEntry& operator=(FallbackEntry&&) = delete;
    FallbackEntry(const FallbackEntry&) = delete;
    ~FallbackEntry()
    {
        if (charset) FcCharSetDestroy(charset);
    }
};

std::shared_ptr<const MFont> MFont::Get(const FontSpec& request)
{
    static std::mutex cacheMutex;
    static auto& cache = *new std::map<std::tuple<std::string, int, bool, bool, bool>, std::shared_ptr<const MFont>>;
    const auto key = std::make_tuple(request.face, request.cellHeight, request.bold, request.italic, request.underline);
    std::lock_guard lock(cacheMutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    std::shared_ptr<const MFont> font(new MFont(request));
    cache.emplace(key, font);
    return font;
}

MFont::MFont(const FontSpec& request) : m_spec(request)
{
    if (request.cellHeight <= 0 || request.cellHeight > 4096) return;
    ResolvedFace resolved;
    if (!ResolveFace(request, resolved)) return;
    m_filePath = resolved.file;
    m_family = resolved.family;

    auto face = std::make_unique<Face>();
    {
        std::lock_guard lock(Library().mutex);
        if (!Library().library ||
            FT_New_Face(Library().library, resolved.file.c_str(), resolved.index, &face->face) != 0) {
            face->face = nullptr;
            return;
        }
    }
    FT_Face ft = face->face;
    if (!FT_IS_SCALABLE(ft)) return;

    // The cell height is the Windows ascent plus descent where the font has them.
    double unitsAscent = ft->ascender;
    double unitsDescent = -ft->descender;
    double unitsAverage = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            unitsAscent = os2->usWinAscent;
            unitsDescent = os2->usWinDescent;
        }
        unitsAverage = os2->xAvgCharWidth;
    }
    const double unitsCell = unitsAscent + unitsDescent;
    if (unitsCell <= 0) return;
    const double scale = request.cellHeight / unitsCell; // pixels per font unit
    m_ppem = scale * ft->units_per_EM;
    if (FT_Set_Char_Size(ft, 0, static_cast<FT_F26Dot6>(std::lround(m_ppem * 64)), 72, 72) != 0) return;

    m_ascent = std::clamp(RoundToInt(unitsAscent * scale), 0, request.cellHeight);
    m_averageWidth = unitsAverage > 0 ? RoundToInt(unitsAverage * scale) : RoundToInt(request.cellHeight * 0.45);
    m_underlinePosition = std::max(1, RoundToInt(-ft->underline_position * scale));
    m_underlineThickness = std::max(1, RoundToInt(ft->underline_thickness * scale));
    face->synthBold = request.bold && resolved.weight < FC_WEIGHT_DEMIBOLD;
    face->synthItalic = request.italic && resolved.slant == FC_SLANT_ROMAN;
    m_face = std::move(face);
}

MFont::~MFont() = default;

bool MFont::Valid() const
{
    return m_face != nullptr;
}

const MFont::Face* MFont::FallbackFace(size_t index) const
{
    FallbackEntry& entry = m_fallbacks[index];
    if (entry.face || entry.loadFailed) return entry.face.get();
    auto face = std::make_unique<Face>();
    {
        std::lock_guard lock(Library().mutex);
        if (FT_New_Face(Library().library, entry.resolved.file.c_str(), entry.resolved.index, &face->face) != 0)
            face->face = nullptr;
    }
    if (!face->face || !FT_IS_SCALABLE(face->face) ||
        FT_Set_Char_Size(face->face, 0, static_cast<FT_F26Dot6>(std::lround(m_ppem * 64)), 72, 72) != 0) {
        entry.loadFailed = true;
        return nullptr;
    }
    face->synthBold = m_spec.bold && entry.resolved.weight < FC_WEIGHT_DEMIBOLD;
    face->synthItalic = m_spec.italic && entry.resolved.slant == FC_SLANT_ROMAN;
    entry.face = std::move(face);
    return entry.face.get();
}

const MFont::Face* MFont::FaceFor(char32_t cp) const
{
    if (FT_Get_Char_Index(m_face->face, cp) != 0 || cp < 0x20) return m_face.get();
    if (!m_fallbacksListed) {
        m_fallbacksListed = true;
        for (auto& [resolved, charset] : SortedFaces(m_spec)) m_fallbacks.emplace_back(std::move(resolved), charset);
    }
    for (size_t i = 0; i < m_fallbacks.size(); ++i) {
        if (!FcCharSetHasChar(m_fallbacks[i].charset, cp) || m_fallbacks[i].resolved.file == m_filePath) continue;
        const Face* face = FallbackFace(i);
        if (face && FT_Get_Char_Index(face->face, cp) != 0) return face;
    }
    return nullptr;
}

bool MFont::CanDraw(char32_t cp) const
{
    if (!Valid()) return false;
    std::lock_guard lock(m_mutex);
    return FaceFor(cp) != nullptr;
}

std::vector<TextCharacter> MFont::Undrawable(std::string_view text) const
{
    std::vector<TextCharacter> found;
    std::vector<char32_t> seen;
    size_t line = 1;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(text, i, cp);
        if (cp == '\n') ++line;
        if (cp >= 0x20 && std::find(seen.begin(), seen.end(), cp) == seen.end() && !CanDraw(cp)) {
            seen.push_back(cp);
            found.push_back({line, std::string(text.substr(i, n))});
        }
        i += n;
    }
    return found;
}

const MFont::Glyph& MFont::GlyphFor(char32_t cp) const
{
    const Glyph*& slot = m_glyphs[cp];
    if (!slot) {
        const Face* face = FaceFor(cp);
        if (!face) face = m_face.get(); // its missing-glyph box
        slot = &ShapedGlyph(face, FT_Get_Char_Index(face->face, cp));
    }
    return *slot;
}

const MFont::Glyph& MFont::ShapedGlyph(const Face* face, uint32_t index) const
{
    std::unique_ptr<Glyph>& slot = m_shapedGlyphs[{face, index}];
    if (slot) return *slot;
    slot = std::make_unique<Glyph>();
    Glyph& g = *slot;
    FT_Face ft = face->face;
    if (FT_Load_Glyph(ft, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return g;
    if (face->synthItalic) FT_GlyphSlot_Oblique(ft->glyph);
    if (face->synthBold) FT_GlyphSlot_Embolden(ft->glyph);
    g.advance = static_cast<int>((ft->glyph->advance.x + 32) >> 6);
    if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = ft->glyph->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO) return g;
    g.left = ft->glyph->bitmap_left;
    g.top = ft->glyph->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.pitch = (g.width + 7) / 8;
    g.bits.resize(size_t(g.pitch) * size_t(g.rows));
    for (int r = 0; r < g.rows; ++r) {
        const uint8_t* src = bm.buffer + r * bm.pitch;
        std::copy(src, src + g.pitch, g.bits.begin() + r * g.pitch);
    }
    return g;
}

std::vector<MFont::Placed> MFont::LayOut(std::string_view text, int& width) const
{
    std::vector<Placed> placed;
    width = 0;
    bool complex = false;
    for (size_t i = 0; i < text.size() && !complex;) {
        char32_t cp = 0;
        i += NextCodePoint(text, i, cp);
        complex = NeedsShaping(cp);
    }
    if (!complex) {
        for (size_t i = 0; i < text.size();) {
            char32_t cp = 0;
            const size_t n = NextCodePoint(text, i, cp);
            const Glyph& g = GlyphFor(cp);
            placed.push_back({&g, width, 0, g.advance, i, i + n, false});
            width += g.advance;
            i += n;
        }
        return placed;
    }

    for (const ShapedText& shaped : m_shaped)
        if (shaped.text == text) {
            width = shaped.width;
            return shaped.glyphs;
        }

    // The text in UTF-16 for the bidirectional algorithm, each unit with the byte it starts at.
    std::vector<UChar> units;
    std::vector<size_t> byteOf;
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(text, i, cp);
        if (cp >= 0x10000) {
            units.push_back(UChar(0xD800 + ((cp - 0x10000) >> 10)));
            byteOf.push_back(i);
            units.push_back(UChar(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(UChar(cp));
        }
        byteOf.push_back(i);
        i += n;
    }
    byteOf.push_back(text.size());
    UErrorCode error = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_openSized(int32_t(units.size()), 0, &error);
    if (U_SUCCESS(error)) ubidi_setPara(bidi, units.data(), int32_t(units.size()), UBIDI_DEFAULT_LTR, nullptr, &error);
    const int32_t runs = U_SUCCESS(error) ? ubidi_countRuns(bidi, &error) : 0;

    hb_buffer_t* buffer = hb_buffer_create();
    int64_t pen = 0; // 26.6
    for (int32_t r = 0; r < std::max(runs, 0); ++r) {
        int32_t start = 0, length = 0;
        const bool rtl = ubidi_getVisualRun(bidi, r, &start, &length) == UBIDI_RTL;
        const size_t runBegin = byteOf[size_t(start)], runEnd = byteOf[size_t(start + length)];
        // The run in pieces of one face each, in reading order; marks stay with their letter.
        struct Piece {
            size_t begin, end;
            const Face* face;
        };
        std::vector<Piece> pieces;
        for (size_t i = runBegin; i < runEnd;) {
            char32_t cp = 0;
            const size_t n = NextCodePoint(text, i, cp);
            const Face* face = FaceFor(cp);
            if (!face) face = m_face.get();
            if (!pieces.empty() && (pieces.back().face == face || FT_Get_Char_Index(pieces.back().face->face, cp) != 0 ||
                                    cp == 0x200C || cp == 0x200D))
                pieces.back().end = i + n;
            else
                pieces.push_back({i, i + n, face});
            i += n;
        }
        if (rtl) std::reverse(pieces.begin(), pieces.end());
        for (const Piece& piece : pieces) {
            hb_buffer_clear_contents(buffer);
            hb_buffer_add_utf8(buffer, text.data(), int(text.size()), unsigned(piece.begin), int(piece.end - piece.begin));
            hb_buffer_set_direction(buffer, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
            hb_buffer_guess_segment_properties(buffer);
            Face* face = const_cast<Face*>(piece.face);
            hb_shape(face->Shaper(), buffer, nullptr, 0);
            unsigned count = 0;
            const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
            const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
            const size_t first = placed.size();
            for (unsigned g = 0; g < count; ++g) {
                const Glyph& glyph = ShapedGlyph(face, info[g].codepoint);
                const int x = int((pen + pos[g].x_offset + 32) >> 6);
                const int advanceEnd = int((pen + pos[g].x_advance + 32) >> 6);
                placed.push_back({&glyph, x, int((pos[g].y_offset + 32) >> 6), advanceEnd - int((pen + 32) >> 6),
                                  info[g].cluster, piece.end, rtl});
                pen += pos[g].x_advance;
            }
            // A cluster ends where the next one in reading order begins.
            std::vector<size_t> starts;
            for (size_t k = first; k < placed.size(); ++k) starts.push_back(placed[k].cluster);
            std::sort(starts.begin(), starts.end());
            for (size_t k = first; k < placed.size(); ++k) {
                const auto next = std::upper_bound(starts.begin(), starts.end(), placed[k].cluster);
                placed[k].clusterEnd = next == starts.end() ? piece.end : *next;
            }
        }
    }
    hb_buffer_destroy(buffer);
    if (bidi) ubidi_close(bidi);
    width = int((pen + 32) >> 6);
    constexpr size_t kShapedKept = 16;
    ShapedText kept{std::string(text), placed, width};
    if (m_shaped.size() < kShapedKept)
        m_shaped.push_back(std::move(kept));
    else
        m_shaped[m_nextShaped++ % kShapedKept] = std::move(kept);
    return placed;
}

MFont::Span MFont::DrawPlaced(IndexSurface& s, int x, int y, const std::vector<Placed>& glyphs, size_t begin,
                              size_t end, uint8_t index) const
{
    const int clipLeft = std::max(0, s.clipLeft);
    const int clipTop = std::max(0, s.clipTop);
    const int clipRight = std::min(s.width, s.clipRight);
    const int clipBottom = std::min(s.height, s.clipBottom);
    Span drawn{INT32_MAX, INT32_MIN};
    if (clipLeft >= clipRight || clipTop >= clipBottom) return {};
    const int baseline = y + m_ascent;
    for (const Placed& p : glyphs) {
        if (p.cluster < begin || p.cluster >= end) continue;
        const Glyph& g = *p.glyph;
        const int gx = x + p.x + g.left;
        const int gy = baseline - p.up - g.top;
        const int r0 = std::max(0, clipTop - gy);
        const int r1 = std::min(g.rows, clipBottom - gy);
        const int c0 = std::max(0, clipLeft - gx);
        const int c1 = std::min(g.width, clipRight - gx);
        if (r0 >= r1 || c0 >= c1) continue;
        drawn.left = std::min(drawn.left, gx + c0);
        drawn.right = std::max(drawn.right, gx + c1);
        for (int r = r0; r < r1; ++r) {
            const uint8_t* bits = g.bits.data() + r * g.pitch;
            uint8_t* row = s.pixels + (gy + r) * s.stride + gx;
            for (int col = c0; col < c1; ++col)
                if (bits[col >> 3] & (0x80 >> (col & 7))) row[col] = index;
        }
    }
    return drawn.left < drawn.right ? drawn : Span{};
}

int MFont::Measure(std::string_view text) const
{
    if (!Valid()) return 0;
    std::lock_guard lock(m_mutex);
    int width = 0;
    LayOut(text, width);
    return width;
}

void MFont::Draw(IndexSurface& s, int x, int y, std::string_view text, uint8_t index) const
{
    if (!Valid() || !s.pixels) return;
    std::lock_guard lock(m_mutex);
    int width = 0;
    const std::vector<Placed> glyphs = LayOut(text, width);
    DrawPlaced(s, x, y, glyphs, 0, text.size(), index);
    if (m_spec.underline) DrawUnderline(s, y, x, x + width, index);
}

void MFont::DrawUnderline(IndexSurface& s, int y, int left, int right, uint8_t index) const
{
    const int baseline = y + m_ascent;
    const int top = std::max(std::max(0, s.clipTop), baseline + m_underlinePosition - m_underlineThickness / 2);
    const int bottom = std::min(std::min(s.height, s.clipBottom), top + m_underlineThickness);
    left = std::max(std::max(0, s.clipLeft), left);
    right = std::min(std::min(s.width, s.clipRight), right);
    for (int yy = top; yy < bottom; ++yy)
        for (int xx = left; xx < right; ++xx) s.pixels[yy * s.stride + xx] = index;
}

MFont::Span MFont::RangeSpan(const std::vector<Placed>& glyphs, size_t begin, size_t end)
{
    Span span{INT32_MAX, INT32_MIN};
    for (const Placed& p : glyphs) {
        if (p.cluster < begin || p.cluster >= end) continue;
        span.left = std::min(span.left, p.x);
        span.right = std::max(span.right, p.x + p.advance);
    }
    return span.left > span.right ? Span{} : span;
}

MFont::Span MFont::DrawRange(IndexSurface& s, int x, int y, std::string_view text, size_t begin, size_t end,
                             uint8_t index) const
{
    if (!Valid() || !s.pixels || begin >= end) return {};
    std::lock_guard lock(m_mutex);
    int width = 0;
    const std::vector<Placed> glyphs = LayOut(text, width);
    const Span drawn = DrawPlaced(s, x, y, glyphs, begin, end, index);
    if (!m_spec.underline) return drawn;
    const Span span = RangeSpan(glyphs, begin, end);
    if (span.right <= span.left) return drawn;
    DrawUnderline(s, y, x + span.left, x + span.right, index);
    return {0, s.width}; // the underline's columns, and the glyphs' with them
}

MFont::Span MFont::SpanOf(std::string_view text, size_t begin, size_t end) const
{
    if (!Valid() || begin >= end) return {};
    std::lock_guard lock(m_mutex);
    int width = 0;
    return RangeSpan(LayOut(text, width), begin, end);
}

std::vector<MFont::Span> MFont::PiecesOf(std::string_view text, size_t begin, size_t end) const
{
    std::vector<Span> pieces;
    if (!Valid() || begin >= end) return pieces;
    std::lock_guard lock(m_mutex);
    int width = 0;
    bool open = false;
    // Glyphs are laid out from left to right; a glyph of another character that takes room ends
    // a piece, a mark of none does not.
    for (const Placed& p : LayOut(text, width)) {
        if (p.cluster < begin || p.cluster >= end) {
            if (p.advance > 0) open = false;
            continue;
        }
        if (!open) pieces.push_back({p.x, p.x + p.advance});
        open = true;
        pieces.back().left = std::min(pieces.back().left, p.x);
        pieces.back().right = std::max(pieces.back().right, p.x + p.advance);
    }
    return pieces;
}

bool MFont::RightToLeftAt(std::string_view text, size_t at) const
{
    if (!Valid()) return false;
    std::lock_guard lock(m_mutex);
    int width = 0;
    for (const Placed& p : LayOut(text, width))
        if (at >= p.cluster && at < p.clusterEnd) return p.rightToLeft;
    return false;
}

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps its configuration until the process ends; that is not our leak.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}
#endif
