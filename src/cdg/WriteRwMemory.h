#pragma once
#include <cstdint>

#include "cdg/SongStream.h"

class KaraokeSong;

// A from time below any song time: nothing is left out.
inline constexpr int64_t kWriteWholeSong = -1410065407;

// The one stream writer that Play Final, the Adjust Lyrics audition, every export and the
// command line's stream and play call. Writes the song's whole CD+G stream: title page, duet
// legend, every lyric page drawn ahead of singing, the word sweeps, the erases, the lyrics
// picture and the credits page, over the lines as the song has them (the exports build theirs
// with final text first). Events timed before fromTime are left out. Returns the stream with
// its lead-in, every line's draw and erase time and the music's length the stream needs; the
// song is only read, so a copy of it may be written on any thread.
// The buffer follows the music: sized from its data bytes (without music, as if it lasted
// until the last word), then made as long as the lengthened music.
SongStream WriteRwMemory(const KaraokeSong& song, const SongStream::Music& music, int64_t fromTime = kWriteWholeSong);
// The same over the song's own music.
SongStream WriteRwMemory(const KaraokeSong& song, int64_t fromTime = kWriteWholeSong);
