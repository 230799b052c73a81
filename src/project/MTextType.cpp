#include "project/MTextType.h"

#include <algorithm>
#include <cstring>

MTextType::MTextType()
{
    SetFaceName("Arial");
}

MTextType::~MTextType() = default;

std::string MTextType::FaceName() const
{
    const auto* end = static_cast<const char*>(std::memchr(faceName, 0, kFaceNameBytes));
    return std::string(faceName, end ? static_cast<size_t>(end - faceName) : kFaceNameBytes);
}

void MTextType::SetFaceName(const std::string& face)
{
    std::memset(faceName, 0, kFaceNameBytes);
    std::memcpy(faceName, face.data(), std::min(face.size(), kFaceNameBytes - 1));
}
