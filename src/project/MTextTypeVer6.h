#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Style of one styled line of a title or credits page (line i + 2 of the page text for element i).
struct t_MTextTypeVer6_s {
    int32_t colour = 0;
    int32_t size = 0;
    int32_t style = 0;
    std::string faceName = "Arial";
    int32_t hAlign = 1;
};

// The per-line styles of a title or credits page. Reading past the end yields the
// out-of-range style: colour 0, size 0, style 0, "Arial", left.
class MTextTypeVer6 {
public:
    MTextTypeVer6();
    virtual ~MTextTypeVer6();
    MTextTypeVer6(const MTextTypeVer6&) = default;
    MTextTypeVer6& operator=(const MTextTypeVer6&) = default;

    size_t Count() const { return lines.size(); }
    // The style of element index, or the out-of-range style.
    t_MTextTypeVer6_s At(int index) const;
    int32_t Colour(int index) const { return At(index).colour; }
    int32_t Size(int index) const { return At(index).size; }
    int32_t Style(int index) const { return At(index).style; }
    std::string FaceName(int index) const { return At(index).faceName; }
    int32_t HAlign(int index) const { return At(index).hAlign; }

    std::vector<t_MTextTypeVer6_s> lines;
};
