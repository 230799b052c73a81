#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "player/MCdgPlayer.h"

// Stereo 16-bit frames that tell which frame of the music they are: left = frame & 0x7FFF,
// right = frame >> 15.
std::vector<int16_t> NumberedFrames(size_t frames);
// A stereo tone of the given length in frames.
std::vector<int16_t> StereoTone(size_t frames);

// The frames a device-less output took from the player, in the order it took them.
class PlayedMusic {
public:
    // An output factory for MCdgPlayer: device-less outputs that report here.
    MCdgPlayer::OutputFactory Factory();
    // After the player has stopped.
    std::vector<int16_t> Samples() const;
    size_t Frames() const;

private:
    std::shared_ptr<std::mutex> m_mutex = std::make_shared<std::mutex>();
    std::shared_ptr<std::vector<int16_t>> m_samples = std::make_shared<std::vector<int16_t>>();
};
