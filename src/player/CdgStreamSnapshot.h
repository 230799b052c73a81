#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"

// Plays a CD+G stream held in memory without a clock, to take pictures of its screen: what the
// player shows when its clock reads a given value, or the screen after a given packet. Any
// bytes are a stream; a trailing partial packet is ignored.
class CdgStreamSnapshot {
public:
    // The caller keeps the stream alive.
    explicit CdgStreamSnapshot(std::span<const uint8_t> stream, int scale = 1);
    virtual ~CdgStreamSnapshot();

    size_t PacketCount() const { return m_packetCount; }
    // Packets 0 ... ExecutedCount() - 1 have been executed.
    size_t ExecutedCount() const { return m_executed; }

    // How many packets the player has executed when its clock reads sampleFrames (at 44,100 a
    // second): floor(sampleFrames / 147), but never the last packet of the stream.
    size_t PacketsAtClock(uint64_t sampleFrames) const;

    // Executes the packets before end (at most PacketCount()) with presents suppressed. An end
    // below what was already executed starts again from an empty screen.
    void ExecuteUntil(size_t end);

    // Presents the whole screen once and returns the picture.
    const RgbImage& Show();
    bool WritePng(const std::string& path) const { return m_snapshot->WritePng(path); }
    // The picture of the last Show.
    const RgbImage& Image() const { return m_snapshot->Image(); }

    const CdgScreen& Renderer() const { return *m_renderer; }
    const CdgPacketDecoder& Decoder() const { return *m_decoder; }

private:
    void Reset();

    std::span<const uint8_t> m_stream;
    size_t m_packetCount = 0;
    size_t m_executed = 0;
    int m_scale = 1;
    std::unique_ptr<CdgScreen> m_renderer;
    std::unique_ptr<CdgPacketDecoder> m_decoder;
    std::unique_ptr<CdgScreenPicture> m_snapshot;
};
