#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Style flags of a text style.
inline constexpr int32_t kStyleBold = 1;
inline constexpr int32_t kStyleItalic = 2;
inline constexpr int32_t kStyleShadow = 4;

// Horizontal alignment values.
inline constexpr int32_t kAlignCentre = 0;
inline constexpr int32_t kAlignLeft = 1;
inline constexpr int32_t kAlignRight = 2;

// Vertical alignment values.
inline constexpr int32_t kAlignMiddle = 0;
inline constexpr int32_t kAlignTop = 1;
inline constexpr int32_t kAlignBottom = 2;

inline constexpr size_t kFaceNameBytes = 128;

// A text style: face, size, colour slot, flags, alignment, shadow and background box.
// A bare style is "Arial" 12, colour slot 0, plain, left/top, no shadow colour, no box.
class MTextType {
public:
    MTextType();
    virtual ~MTextType();
    MTextType(const MTextType&) = default;
    MTextType& operator=(const MTextType&) = default;

    // The face name as a string (up to the first zero byte).
    std::string FaceName() const;
    // Stores at most 127 bytes of the face name; the rest of the field is zero-filled.
    void SetFaceName(const std::string& face);

    char faceName[kFaceNameBytes];
    int32_t colour = 0;
    int32_t size = 12;
    int32_t style = 0;
    int32_t hAlign = kAlignLeft;
    int32_t vAlign = kAlignTop;
    int32_t shadowColour = 0;
    int32_t backgroundBox = 0;
    int32_t backgroundBoxColour = 0;
};
