#include "project/MTextTypeVer5.h"

#include "project/ColourSlots.h"

MTextTypeVer5::MTextTypeVer5()
{
    Reset();
}

MTextTypeVer5::~MTextTypeVer5() = default;

void MTextTypeVer5::Reset()
{
    singer1 = kSlotText;
    singer2 = kSlotSinger2;
    both = kSlotBoth;
}
