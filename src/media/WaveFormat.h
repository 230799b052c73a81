#pragma once
#include <cstdint>

// The 16 bytes that every WAV format chunk begins with.
struct WaveFormat {
    static constexpr uint32_t kBytes = 16;

    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;

    // Reads the fields from kBytes bytes.
    static WaveFormat FromBytes(const uint8_t* bytes);
    void ToBytes(uint8_t* bytes) const;
    // Bytes of one sample frame as the samples themselves need it, whatever block align says.
    uint32_t FrameBytes() const { return uint32_t(bitsPerSample) * channels / 8; }
};
