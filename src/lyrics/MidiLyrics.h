#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lyrics/LrcDocument.h"
#include "text/TextEncoding.h"

// One sung piece of a MIDI file's words, as its event had it, and when it comes.
struct MidiSyllable {
    int64_t time = 0; // hundredths of a second
    int64_t micros = 0; // the same, finer
    std::string text; // UTF-8, line marks removed
    bool newLine = false; // the piece starts a new lyric line
    int64_t noteEndMicros = -1; // where the note sung on the event ends, when it has one
};

// The words of a standard or karaoke MIDI file.
struct MidiLyrics {
    std::string text; // lyric text, lines ending in CR LF
    std::string title;
    std::string artist;
    std::vector<MidiSyllable> syllables;
    // The lines of the text, an element for each of its word elements, timed to the microsecond:
    // each ends where the next starts, a line's last at the next line's start or one second
    // after its own start, whichever comes first. The words of one event share the note it is
    // sung on (the time up to the next event when it has none).
    std::vector<LrcLine> lines;
};

// Reads the words: the lyric events (meta 0x05) where the file has them, from the track that
// has the most; else the text events (0x01) of the track that carries the karaoke words (the
// one named "Words", or one with "@" header lines). Other text events (copyright notes,
// sequencer names, markers) are not lyrics. "@T" header lines give the title and then the
// artist; without them, the first track's name is the title. "\", "/", CR and LF begin a new
// line, "\" also a new page (a page-break line in the text); no empty line comes of them. Title
// and artist are trimmed of white space. Syllables with no space between them are joined with "*",
// so that each keeps its own time. The file's words are read as UTF-8 when all of them are
// valid UTF-8, else in the legacy code page they look like (DecodeLegacyText); the text is UTF-8.
MidiLyrics ReadMidiLyrics(std::span<const uint8_t> bytes);

// The lyric text alone.
std::string ExtractMidiLyrics(std::span<const uint8_t> bytes);
