#include "text/FontDictionary.h"

#include <fontconfig/fontconfig.h>


namespace {

// A style keeps at most this many bytes of a face name, its end included.
constexpr size_t kFaceNameLimit = 128;

// A face without the basic Latin letters is a symbol face.
int32_t CharSetOf(FcPattern* font)
{
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch || !charset) return kCharSetAnsi;
    for (FcChar32 c : {FcChar32('A'), FcChar32('Z'), FcChar32('a'), FcChar32('z')})
        if (!FcCharSetHasChar(charset, c)) return kCharSetSymbol;
    return kCharSetAnsi;
}

} // namespace

FontDictionary& FontDictionary::Instance()
{
    static FontDictionary* dictionary = new FontDictionary;
    return *dictionary;
}

void FontDictionary::Rebuild()
{
    std::map<std::string, int32_t> found;
    if (FcInit()) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_CHARSET, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        if (set) {
            for (int i = 0; i < set->nfont; ++i) {
                const int32_t charset = CharSetOf(set->fonts[i]);
                FcChar8* family = nullptr;
                for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
                    const std::string name = reinterpret_cast<const char*>(family);
                    if (name.empty() || name.size() >= kFaceNameLimit) continue; // a style could not keep it
                    found[name] = charset;
                }
            }
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
    }
    std::lock_guard lock(m_mutex);
    for (auto& [name, charset] : found) m_faces[name] = charset;
}

std::map<std::string, int32_t> FontDictionary::Faces() const
{
    std::lock_guard lock(m_mutex);
    return m_faces;
}

size_t FontDictionary::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_faces.size();
}

std::string FontDictionary::FaceAt(size_t index) const
{
    std::lock_guard lock(m_mutex);
    if (index >= m_faces.size()) return {};
    auto it = m_faces.begin();
    std::advance(it, long(index));
    return it->first;
}

int FontDictionary::IndexOf(const std::string& face) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_faces.find(face);
    return it == m_faces.end() ? -1 : int(std::distance(m_faces.begin(), it));
}
