#pragma once
#include <cstddef>

class CdgPacketGenerator;
class KaraokeSong;

// The lyrics tab's sample page, written by the generator that writes the song: the lyrics
// page's colours, presets and border, its picture in its share of the screen, then one line per
// slot: "Sample line (swept)", swept whole at once in the sweep colour and mode; "Sample Singer
// %d" in slots 1 and 2 (the slot number in a duet, 1 when solo); "Sample Both Singers" (duet) or
// "Sample Singer 1" (solo) further down. Returns the bytes used from offset.
size_t WriteLyricsSamplePage(CdgPacketGenerator& generator, KaraokeSong& song, size_t offset);
