#pragma once
#include <string>

// What a file is to a song, by its name alone: the window's drops and the command-line tool's
// arguments ask the same question here.
enum class SongFileKind {
    Project, // a Tessavox project (.tvx)
    Music,   // audio the music import reads (.wav .mp3 .wma .flac .ogg .m4a ...)
    Lyrics,  // what Import Lyrics reads: text or UltraStar (.txt), LRC (.lrc), KAR/MIDI (.kar .mid .midi)
    Other,
};

// The kind of the file at path by its extension, in any letter case. A KAR or MIDI file, which
// could be either, counts as lyrics: its timed words are what the song lacks most.
SongFileKind SongFileKindOf(const std::string& path);

// The extensions the kinds are told by, for messages: ".tvx", ".wav .mp3 ...", ".txt .lrc ...".
std::string SongFileExtensions(SongFileKind kind);
