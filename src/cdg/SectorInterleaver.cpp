#include "cdg/SectorInterleaver.h"

#include <algorithm>
#include <new>

SectorInterleaver::SectorInterleaver() = default;

SectorInterleaver::~SectorInterleaver() = default;

bool SectorInterleaver::Setup(BlockWriter writer, size_t minimum, size_t maximum)
{
    Release();
    m_minimum = std::max(minimum, kInterleaverMinSectorsFloor);
    m_maximum = std::max(std::min(maximum, kInterleaverMaxSectorsCap), m_minimum);
    try {
        m_block.reserve(m_maximum * kBinSectorBytes);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    m_writer = std::move(writer);
    return static_cast<bool>(m_writer);
}

void SectorInterleaver::Release()
{
    m_writer = nullptr;
    m_block.clear();
    m_block.shrink_to_fit();
    m_blockSectors = 0;
    m_audioFill = m_subcodeFill = 0;
    m_sectorsWritten = 0;
    m_writeFailed = false;
}

bool SectorInterleaver::WriteBlock()
{
    if (m_blockSectors == 0) return true;
    if (!m_writer(std::span<const uint8_t>(m_block.data(), m_block.size()))) m_writeFailed = true;
    m_sectorsWritten += m_blockSectors;
    m_block.clear();
    m_blockSectors = 0;
    return !m_writeFailed;
}

// Appends one sector to the block; parts shorter than a sector are padded with zeros.
void SectorInterleaver::CompleteSector(std::span<const uint8_t> audio, std::span<const uint8_t> subcode)
{
    m_block.insert(m_block.end(), audio.begin(), audio.end());
    m_block.insert(m_block.end(), kBinSectorAudioBytes - audio.size(), 0);
    m_block.insert(m_block.end(), subcode.begin(), subcode.end());
    m_block.insert(m_block.end(), kBinSectorSubcodeBytes - subcode.size(), 0);
    if (++m_blockSectors >= m_maximum) WriteBlock();
}

void SectorInterleaver::CompletePending()
{
    CompleteSector(std::span<const uint8_t>(m_audio, m_audioFill), std::span<const uint8_t>(m_subcode, m_subcodeFill));
    m_audioFill = m_subcodeFill = 0;
}

bool SectorInterleaver::Feed(std::span<const uint8_t> audio, std::span<const uint8_t> subcode)
{
    if (!m_writer) return false;
    size_t a = 0;
    size_t s = 0;

    // Top up a sector that an earlier Feed left partly filled.
    if (m_audioFill > 0 || m_subcodeFill > 0) {
        const size_t topAudio = std::min(audio.size(), kBinSectorAudioBytes - m_audioFill);
        std::copy_n(audio.begin(), topAudio, m_audio + m_audioFill);
        m_audioFill += topAudio;
        a = topAudio;
        const size_t topSubcode = std::min(subcode.size(), kBinSectorSubcodeBytes - m_subcodeFill);
        std::copy_n(subcode.begin(), topSubcode, m_subcode + m_subcodeFill);
        m_subcodeFill += topSubcode;
        s = topSubcode;
        const bool leftOver = a < audio.size() || s < subcode.size();
        const bool full = m_audioFill == kBinSectorAudioBytes && m_subcodeFill == kBinSectorSubcodeBytes;
        if (leftOver || full) CompletePending();
        // Otherwise all the input went into the waiting sector.
        if (!leftOver) {
            if (m_blockSectors >= m_minimum) WriteBlock();
            return !m_writeFailed;
        }
    }

    // Whole sectors straight from the input.
    while (audio.size() - a >= kBinSectorAudioBytes && subcode.size() - s >= kBinSectorSubcodeBytes) {
        CompleteSector(audio.subspan(a, kBinSectorAudioBytes), subcode.subspan(s, kBinSectorSubcodeBytes));
        a += kBinSectorAudioBytes;
        s += kBinSectorSubcodeBytes;
    }
    // Audio beyond the subcode: its sectors carry what subcode is left, then zeros.
    while (audio.size() - a > kBinSectorAudioBytes && subcode.size() - s < kBinSectorSubcodeBytes) {
        CompleteSector(audio.subspan(a, kBinSectorAudioBytes), subcode.subspan(s));
        a += kBinSectorAudioBytes;
        s = subcode.size();
    }
    // Subcode beyond the audio (the BIN export never feeds this): it gets silent audio rather
    // than being dropped or held without bound.
    while (subcode.size() - s > kBinSectorSubcodeBytes && audio.size() - a < kBinSectorAudioBytes) {
        CompleteSector(audio.subspan(a), subcode.subspan(s, kBinSectorSubcodeBytes));
        a = audio.size();
        s += kBinSectorSubcodeBytes;
    }

    // What is left fits in one sector; it waits for more input.
    std::copy(audio.begin() + long(a), audio.end(), m_audio);
    m_audioFill = audio.size() - a;
    std::copy(subcode.begin() + long(s), subcode.end(), m_subcode);
    m_subcodeFill = subcode.size() - s;

    if (m_blockSectors >= m_minimum) WriteBlock();
    return !m_writeFailed;
}

bool SectorInterleaver::Finish()
{
    if (!m_writer) return false;
    if (m_audioFill > 0 || m_subcodeFill > 0) CompletePending();
    WriteBlock();
    return !m_writeFailed;
}
