#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// Character sets a face is listed under.
inline constexpr int32_t kCharSetAnsi = 0;
inline constexpr int32_t kCharSetSymbol = 2;
inline constexpr int32_t kCharSetOem = 255;

// The installed outline faces by name (UTF-8), sorted, each with its character set:
// what the settings dialog offers under "Font:". Built from fontconfig; a face reported more
// than once is listed once.
class FontDictionary {
public:
    static FontDictionary& Instance();

    // Enumerates the installed faces again; entries are overwritten by name.
    void Rebuild();
    std::map<std::string, int32_t> Faces() const;
    size_t Count() const;
    // The face at a position of the sorted list, or "" past the end.
    std::string FaceAt(size_t index) const;
    // The position of a face (exact match), or -1.
    int IndexOf(const std::string& face) const;

private:
    FontDictionary() = default;
    mutable std::mutex m_mutex;
    std::map<std::string, int32_t> m_faces;
};
