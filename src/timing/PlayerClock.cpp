#include "player/KaraokePlayer.h"
#include "timing/PlayClock.h"

uint32_t PlayerClock::Now() const
{
    const KaraokePlayer* player = GlobalPlayer();
    return player ? player->PositionNow() : 0;
}

bool PlayerClock::Running() const
{
    return GlobalPlayerIsPlaying();
}
