#pragma once
#include <cstddef>
#include <string>

#include "cdg/LineFit.h"

class KaraokeSong;

// "line 12" (a karaoke line, as info counts them) or "title page line 2".
std::string LineFitPlace(const LineFit& fit);

// "too wide for the screen (341 of 288 pixels)"
std::string TooWideText(const LineFit& fit);

// One warning on stderr for each line of the song that is too wide for the screen, with the
// line's text. Returns how many there were.
size_t WarnLinesTooWide(const KaraokeSong& song);
