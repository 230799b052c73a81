#pragma once
#include <array>
#include <cstdint>

// RIFF/WAVE layout shared by the WAV readers and the writer.
inline constexpr uint32_t kChunkIdBytes = 4;
inline constexpr uint32_t kChunkHeaderBytes = 8;  // id and 32-bit size
inline constexpr uint32_t kRiffPreambleBytes = 12; // "RIFF", size, "WAVE"

inline constexpr std::array<uint8_t, 4> kRiffId = {'R', 'I', 'F', 'F'};
inline constexpr std::array<uint8_t, 4> kWaveId = {'W', 'A', 'V', 'E'};
inline constexpr std::array<uint8_t, 4> kFmtId = {'f', 'm', 't', ' '};
inline constexpr std::array<uint8_t, 4> kFactId = {'f', 'a', 'c', 't'};
inline constexpr std::array<uint8_t, 4> kDataId = {'d', 'a', 't', 'a'};

// Chunk id bytes a well-formed file uses; anything else means we are reading garbage.
inline constexpr uint8_t kChunkIdLowest = 32;
inline constexpr uint8_t kChunkIdHighest = 122;

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatFloat = 3;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The extensible format: the 16 common bytes, a 2-byte extra size, then valid bits (2),
// channel mask (4) and the 16-byte subformat GUID whose first two bytes are the real tag.
inline constexpr uint32_t kExtraSizeBytes = 2;
inline constexpr uint32_t kExtensibleExtraBytes = 22;
inline constexpr uint32_t kSubFormatOffset = 6; // within the extra bytes, after valid bits and mask
inline constexpr uint32_t kExtensibleFormatBytes = 16 + kExtraSizeBytes + kExtensibleExtraBytes;
inline constexpr std::array<uint8_t, 14> kSubFormatGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

inline constexpr uint32_t kFactBytes = 4;

// The header the writer puts down: RIFF preamble, a 16-byte format chunk, a fact chunk and
// the data chunk header.
inline constexpr uint32_t kWavOutHeaderBytes = 56;
inline constexpr uint32_t kWavOutRiffOverhead = kWavOutHeaderBytes - kChunkHeaderBytes;
inline constexpr uint32_t kFmtChunkOffset = 12;
inline constexpr uint32_t kFactChunkOffset = 36;
inline constexpr uint32_t kDataChunkOffset = 48;

// Sizes are 32-bit: a RIFF file cannot describe more than this.
inline constexpr uint64_t kMaxWavFileBytes = uint64_t(UINT32_MAX) + kChunkHeaderBytes;
inline constexpr uint32_t kMaxWavOutDataBytes = UINT32_MAX - kWavOutRiffOverhead;

inline constexpr uint16_t kBits8 = 8;
inline constexpr uint16_t kBits16 = 16;
// An unsigned 8-bit sample is centred on 128; 16-bit samples are scaled by 256 to and from it.
inline constexpr int kSample8Centre = 128;
inline constexpr int kSample8Scale = 256;
