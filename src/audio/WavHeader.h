#pragma once
#include <array>
#include <cstdint>

#include "media/WavConstants.h"
#include "media/WaveFormat.h"

// The header fields of a WAV file that the writer puts in its 56-byte header. All zero until
// something is set.
struct WavHeader {
    std::array<uint8_t, 4> riffId{};
    uint32_t riffSize = 0;
    std::array<uint8_t, 4> formType{};
    std::array<uint8_t, 4> fmtId{};
    uint32_t formatSize = 0;
    WaveFormat format;
    std::array<uint8_t, 4> factId{};
    uint32_t factSize = 0;
    uint32_t sampleFrames = 0;
    std::array<uint8_t, 4> dataId{};
    uint32_t dataSize = 0;

    // The writer's header for a PCM file, sizes 0 until the file is closed.
    static WavHeader ForPcm(uint32_t sampleRate, uint16_t bitsPerSample, uint16_t channels);
    // Sets the three sizes that depend on the data written.
    void SetDataBytes(uint32_t bytes);
    std::array<uint8_t, kWavOutHeaderBytes> ToBytes() const;
};
