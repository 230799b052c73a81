#include "media/WaveFormat.h"

#include "media/ByteOrder.h"

WaveFormat WaveFormat::FromBytes(const uint8_t* p)
{
    WaveFormat f;
    f.formatTag = GetLe16(p);
    f.channels = GetLe16(p + 2);
    f.sampleRate = GetLe32(p + 4);
    f.byteRate = GetLe32(p + 8);
    f.blockAlign = GetLe16(p + 12);
    f.bitsPerSample = GetLe16(p + 14);
    return f;
}

void WaveFormat::ToBytes(uint8_t* p) const
{
    PutLe16(p, formatTag);
    PutLe16(p + 2, channels);
    PutLe32(p + 4, sampleRate);
    PutLe32(p + 8, byteRate);
    PutLe16(p + 12, blockAlign);
    PutLe16(p + 14, bitsPerSample);
}
