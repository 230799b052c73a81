#include "text/MFont.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "text/Cp1252.h"

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

// Asks fontconfig for the installed face nearest to the request.
bool ResolveFace(const FontSpec& request, ResolvedFace& out)
{
    static std::mutex fcMutex;
    std::lock_guard lock(fcMutex);
    if (!FcInit()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    const std::string family = Cp1252ToUtf8(request.face);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        out.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
        if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam)
            out.family = reinterpret_cast<const char*>(fam);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &out.weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &out.slant);
    }
    FcPatternDestroy(match);
    return ok;
}

int RoundToInt(double v)
{
    return static_cast<int>(std::lround(v));
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
    ~Face()
    {
        if (face) {
            std::lock_guard lock(Library().mutex);
            FT_Done_Face(face);
        }
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
    const double ppem = scale * ft->units_per_EM;
    if (FT_Set_Char_Size(ft, 0, static_cast<FT_F26Dot6>(std::lround(ppem * 64)), 72, 72) != 0) return;

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

const MFont::Glyph& MFont::GlyphFor(unsigned char byte) const
{
    std::unique_ptr<Glyph>& slot = m_glyphs[byte];
    if (slot) return *slot;
    slot = std::make_unique<Glyph>();
    Glyph& g = *slot;
    FT_Face ft = m_face->face;
    const FT_UInt index = FT_Get_Char_Index(ft, Cp1252ToCodePoint(byte));
    if (FT_Load_Glyph(ft, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return g;
    if (m_face->synthItalic) FT_GlyphSlot_Oblique(ft->glyph);
    if (m_face->synthBold) FT_GlyphSlot_Embolden(ft->glyph);
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

int MFont::Measure(std::string_view text) const
{
    if (!Valid()) return 0;
    std::lock_guard lock(m_mutex);
    int width = 0;
    for (unsigned char c : text) width += GlyphFor(c).advance;
    return width;
}

void MFont::Draw(IndexSurface& s, int x, int y, std::string_view text, uint8_t index) const
{
    if (!Valid() || !s.pixels) return;
    const int clipLeft = std::max(0, s.clipLeft);
    const int clipTop = std::max(0, s.clipTop);
    const int clipRight = std::min(s.width, s.clipRight);
    const int clipBottom = std::min(s.height, s.clipBottom);
    if (clipLeft >= clipRight || clipTop >= clipBottom) return;

    std::lock_guard lock(m_mutex);
    const int baseline = y + m_ascent;
    int pen = x;
    for (unsigned char c : text) {
        const Glyph& g = GlyphFor(c);
        const int gx = pen + g.left;
        const int gy = baseline - g.top;
        const int r0 = std::max(0, clipTop - gy);
        const int r1 = std::min(g.rows, clipBottom - gy);
        const int c0 = std::max(0, clipLeft - gx);
        const int c1 = std::min(g.width, clipRight - gx);
        for (int r = r0; r < r1; ++r) {
            const uint8_t* bits = g.bits.data() + r * g.pitch;
            uint8_t* row = s.pixels + (gy + r) * s.stride + gx;
            for (int col = c0; col < c1; ++col)
                if (bits[col >> 3] & (0x80 >> (col & 7))) row[col] = index;
        }
        pen += g.advance;
    }
    if (m_spec.underline) {
        const int top = std::max(clipTop, baseline + m_underlinePosition - m_underlineThickness / 2);
        const int bottom = std::min(clipBottom, top + m_underlineThickness);
        const int left = std::max(clipLeft, x);
        const int right = std::min(clipRight, pen);
        for (int yy = top; yy < bottom; ++yy)
            for (int xx = left; xx < right; ++xx) s.pixels[yy * s.stride + xx] = index;
    }
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
