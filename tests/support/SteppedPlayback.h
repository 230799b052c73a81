#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "player/KaraokePlayer.h"
#include "support/SteppedAudioOutput.h"

// Plays an KaraokePlayer's music by hand: the player's outputs are SteppedAudioOutputs, and the
// test says how much music is heard. Each step returns once the player's clock has taken in
// what was heard, so the test then reads exact positions and no test sleeps or times anything.
class SteppedPlayback {
public:
    // For KaraokePlayer::SetOutputFactory; the output of each start is the one later steps move.
    KaraokePlayer::OutputFactory Factory();

    // Plays up to frames of music (as many as the music holds), then waits until the clock has
    // taken them in or playback has ended. Returns the frames played (0 when the player is not
    // playing through this factory's output).
    uint64_t Play(KaraokePlayer& player, uint64_t frames);
    // Plays until playback ends (end of music or end frame); the frames played.
    uint64_t PlayToEnd(KaraokePlayer& player);

    // The music every output of the factory took, in order.
    std::vector<int16_t> Samples() const;
    size_t Frames() const;

    // The output of the last start (null before it); owned by the player.
    SteppedAudioOutput* Current() const;

private:
    struct Shared {
        std::mutex mutex;
        SteppedAudioOutput* current = nullptr;
        std::vector<int16_t> samples;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
