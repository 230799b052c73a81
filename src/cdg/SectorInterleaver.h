#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// One raw CD sector as a BIN file stores it: 2,352 bytes of audio (588 frames of 16-bit
// stereo) followed by the 96 bytes of R-W subcode that carry four CD+G packets.
inline constexpr size_t kBinSectorAudioBytes = 2352;
inline constexpr size_t kBinSectorSubcodeBytes = 96;
inline constexpr size_t kBinSectorBytes = kBinSectorAudioBytes + kBinSectorSubcodeBytes;

// Sectors per block write: the limits the interleaver keeps to whatever it is asked for.
inline constexpr size_t kInterleaverMinSectorsFloor = 1;
inline constexpr size_t kInterleaverMaxSectorsCap = 1024;

// Pairs an audio byte stream with a subcode byte stream into whole sectors and hands them to a
// writer in blocks. Input may arrive in pieces of any size; a sector that is not yet full waits
// for the next Feed (or for Finish, which pads it with zeros).
class SectorInterleaver {
public:
    // Writes a block of whole sectors; false when the write failed.
    using BlockWriter = std::function<bool(std::span<const uint8_t> sectors)>;

    SectorInterleaver();
    ~SectorInterleaver();
    SectorInterleaver(const SectorInterleaver&) = delete;
    SectorInterleaver& operator=(const SectorInterleaver&) = delete;

    // Blocks are written when they hold maximum sectors, and at the end of a Feed when they hold
    // at least minimum. The minimum is raised to 1, the maximum capped at 1,024 and never below
    // the minimum. False when the block buffer cannot be had.
    bool Setup(BlockWriter writer, size_t minimum, size_t maximum);
    // False when a block write failed (or the interleaver is not set up).
    bool Feed(std::span<const uint8_t> audio, std::span<const uint8_t> subcode);
    // Pads the sector being filled with zeros and writes everything still held.
    bool Finish();
    // Frees the buffers; the interleaver needs a new Setup afterwards.
    void Release();

    size_t MinimumSectors() const { return m_minimum; }
    size_t MaximumSectors() const { return m_maximum; }
    // Sectors handed to the writer so far.
    uint64_t SectorsWritten() const { return m_sectorsWritten; }

private:
    void CompleteSector(std::span<const uint8_t> audio, std::span<const uint8_t> subcode);
    void CompletePending();
    bool WriteBlock();

    BlockWriter m_writer;
    size_t m_minimum = 0;
    size_t m_maximum = 0;
    uint8_t m_audio[kBinSectorAudioBytes] = {};
    size_t m_audioFill = 0;
    uint8_t m_subcode[kBinSectorSubcodeBytes] = {};
    size_t m_subcodeFill = 0;
    std::vector<uint8_t> m_block;
    size_t m_blockSectors = 0;
    uint64_t m_sectorsWritten = 0;
    bool m_writeFailed = false;
};
