#pragma once
#include <string>
#include <vector>

#include "align/AlignedWord.h"
#include "document/AutoTiming.h"

class KaraokeSong;
class SongDocument;

// What `align` and `new --align` share: the song's words timed from the singing and written
// into the document as one step.

// Times the document's song from vocals (a vocal track; empty: the song's music, which must be
// loaded, as a full mix) with a progress line and Ctrl+C, and applies the times; lines:
// whether the placed first words of lines are the user's taps to time each line from. On failure
// prints "tessavox-cli COMMAND: ..." (nothing when a stop signal came) and returns false; the
// song is unchanged then.
bool AlignCliSong(const std::string& command, SongDocument& doc, const std::string& vocals,
                  std::vector<AlignedWord>& times, AutoTiming::Lines lines = AutoTiming::Lines::FromSinging);

// {"words":[{"line":L,"word":W,"text":...,"start":S,"end":E,"confidence":C,"unsure":B}, ...]}
std::string AlignedWordsJson(const KaraokeSong& song, const std::vector<AlignedWord>& times);
