#pragma once

class KaraokeSong;

// The log entries of a song's line list, read from the song right after the step that changed
// it. The song model logs nothing itself: whoever rebuilds or renumbers its lines calls these
// at once, before anything else is logged. Nothing is done while logging is off.
class MLineListLog {
public:
    // After KaraokeSong::GenerateKaraokeLineList: the normalised lyric text, the new lines as
    // the rebuild made them (before the old times were carried over), then the lines as they
    // were numbered.
    static void Rebuilt(const KaraokeSong& song);
    // After a renumbering of pages and slots (CalcLineAndPageNumbers, SetLinesPerPage,
    // AssignSettings).
    static void Numbered(const KaraokeSong& song);
};
