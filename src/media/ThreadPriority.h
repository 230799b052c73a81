#pragma once

// Gives the calling thread a priority level (-15 idle ... 0 normal ... 15 time critical) as a
// nice value of its own. Raising a thread above normal needs the right to do so; without it the
// thread keeps its priority and false is returned, which playback shrugs off.
bool SetCurrentThreadPriority(int level);
// The nice value a level maps to.
int NiceValueForPriority(int level);
