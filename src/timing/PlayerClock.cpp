#include "player/MCdgPlayer.h"
#include "timing/PlayClock.h"

uint32_t PlayerClock::Now() const
{
    const MCdgPlayer* player = GlobalPlayer();
    return player ? player->PositionNow() : 0;
}

bool PlayerClock::Running() const
{
    return GlobalPlayerIsPlaying();
}
