#include "project/SettingsBlock.h"

#include "media/ByteOrder.h"

std::array<uint8_t, kSettingsBlockBytes> SettingsBlock::ToBytes() const
{
    std::array<uint8_t, kSettingsBlockBytes> out{};
    uint8_t* p = out.data();
    PutLe32(p + 0, uint32_t(version));
    PutLe32(p + 4, uint32_t(singerCount));
    PutLe32(p + 8, uint32_t(linesPerPage));
    PutLe32(p + 12, uint32_t(sweepKind));
    PutLe32(p + 16, uint32_t(sweepColour));
    PutLe32(p + 20, uint32_t(advanceSweep));
    p[24] = loopBeforeUnit;
    PutLe32(p + 28, uint32_t(loopBefore));
    p[32] = loopAfterUnit;
    PutLe32(p + 36, uint32_t(loopAfter));
    PutLe32(p + 40, uint32_t(adjustAmount));
    PutLe32(p + 44, reserved);
    p[48] = adjustUsed;
    p[49] = reservedByte;
    return out;
}

SettingsBlock SettingsBlock::FromBytes(const uint8_t* p)
{
    SettingsBlock s;
    s.version = int32_t(GetLe32(p + 0));
    s.singerCount = int32_t(GetLe32(p + 4));
    s.linesPerPage = int32_t(GetLe32(p + 8));
    s.sweepKind = int32_t(GetLe32(p + 12));
    s.sweepColour = int32_t(GetLe32(p + 16));
    s.advanceSweep = int32_t(GetLe32(p + 20));
    s.loopBeforeUnit = p[24];
    s.loopBefore = int32_t(GetLe32(p + 28));
    s.loopAfterUnit = p[32];
    s.loopAfter = int32_t(GetLe32(p + 36));
    s.adjustAmount = int32_t(GetLe32(p + 40));
    s.reserved = GetLe32(p + 44);
    s.adjustUsed = p[48];
    s.reservedByte = p[49];
    return s;
}
