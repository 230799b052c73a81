#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "lyrics/LrcDocument.h"

// Reads an LRC file, simple or enhanced (with <mm:ss.xx> word times). Fills the document and
// returns the lyric text, one line per timed line, each ending in CR LF. In an enhanced file a
// word time between two parts of a word with no space between them becomes the syllable mark
// "*", so that every timed part is its own word element. Empty when nothing is usable.
std::string ParseLrc(std::span<const uint8_t> bytes, LrcDocument& document);
