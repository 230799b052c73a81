#pragma once
#include <cstdint>

// Colour slots of the three singers on the lyrics page; always 12, 9 and 10.
class MTextTypeVer5 {
public:
    MTextTypeVer5();
    virtual ~MTextTypeVer5();
    MTextTypeVer5(const MTextTypeVer5&) = default;
    MTextTypeVer5& operator=(const MTextTypeVer5&) = default;

    // Puts the fixed slots back (after a load or a singer colour change).
    void Reset();

    int32_t singer1 = 12;
    int32_t singer2 = 9;
    int32_t both = 10;
};
