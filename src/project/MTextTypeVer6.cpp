#include "project/MTextTypeVer6.h"

MTextTypeVer6::MTextTypeVer6() = default;
MTextTypeVer6::~MTextTypeVer6() = default;

t_MTextTypeVer6_s MTextTypeVer6::At(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) return t_MTextTypeVer6_s{};
    return lines[static_cast<size_t>(index)];
}
