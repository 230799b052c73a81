#include "audio/WavHeader.h"

#include <algorithm>

#include "media/ByteOrder.h"

WavHeader WavHeader::ForPcm(uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels)
{
    WavHeader h;
    h.riffId = kRiffId;
    h.formType = kWaveId;
    h.fmtId = kFmtId;
    h.formatSize = WaveFormat::kBytes;
    h.format.formatTag = kWaveFormatPcm;
    h.format.channels = channels;
    h.format.sampleRate = sampleRate;
    h.format.blockAlign = static_cast<uint16_t>(uint32_t(channels) * bitsPerSample / 8);
    h.format.byteRate = sampleRate * h.format.blockAlign;
    h.format.bitsPerSample = bitsPerSample;
    h.factId = kFactId;
    h.factSize = kFactBytes;
    h.dataId = kDataId;
    return h;
}

void WavHeader::SetDataBytes(uint32_t bytes)
{
    dataSize = bytes;
    riffSize = kWavOutRiffOverhead + bytes;
    sampleFrames = format.blockAlign ? bytes / format.blockAlign : 0;
}

std::array<uint8_t, kWavOutHeaderBytes> WavHeader::ToBytes() const
{
    std::array<uint8_t, kWavOutHeaderBytes> b{};
    uint8_t* p = b.data();
    std::copy(riffId.begin(), riffId.end(), p);
    PutLe32(p + 4, riffSize);
    std::copy(formType.begin(), formType.end(), p + 8);
    std::copy(fmtId.begin(), fmtId.end(), p + kFmtChunkOffset);
    PutLe32(p + kFmtChunkOffset + kChunkIdBytes, formatSize);
    format.ToBytes(p + kFmtChunkOffset + kChunkHeaderBytes);
    std::copy(factId.begin(), factId.end(), p + kFactChunkOffset);
    PutLe32(p + kFactChunkOffset + kChunkIdBytes, factSize);
    PutLe32(p + kFactChunkOffset + kChunkHeaderBytes, sampleFrames);
    std::copy(dataId.begin(), dataId.end(), p + kDataChunkOffset);
    PutLe32(p + kDataChunkOffset + kChunkIdBytes, dataSize);
    return b;
}
