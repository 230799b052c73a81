#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "text/TextEncoding.h"

// One sung piece of a MIDI file's words, as its event had it, and when it comes.
struct MidiSyllable {
    int64_t time = 0; // hundredths of a second
    std::string text; // Windows-1252, line marks removed
    bool newLine = false; // the piece starts a new lyric line
};

// The words of a standard or karaoke MIDI file.
struct MidiLyrics {
    std::string text; // lyric text, lines ending in CR LF, Windows-1252
    std::string title;
    std::string artist;
    std::vector<MidiSyllable> syllables;
    std::vector<ReplacedCharacter> replaced;
};

// Reads the words: the lyric events (meta 0x05) where the file has them, from the track that
// has the most; else the text events (0x01) of the track that carries the karaoke words (the
// one named "Words", or one with "@" header lines). Other text events (copyright notes,
// sequencer names, markers) are not lyrics. "@T" header lines give the title and then the
// artist. "\", "/", CR and LF begin a new line; no empty line comes of them. The text is UTF-8
// when all of it is valid UTF-8, else Windows-1252.
MidiLyrics ReadMidiLyrics(std::span<const uint8_t> bytes);

// The lyric text alone.
std::string ExtractMidiLyrics(std::span<const uint8_t> bytes);
