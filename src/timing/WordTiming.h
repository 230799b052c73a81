#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "cdg/CdgFormat.h"

class KaraokeSong;

// Refining placed words one at a time: the start or end of a word moves earlier or later by
// the song's adjust amount, never past its neighbours; the stretch the Adjust Play loop plays
// around a word; the word being sung at a moment. What the Adjust Lyrics view does with "<",
// ">", Ctrl and N, without the window. Words are indices into the song's word list.
class WordTiming {
public:
    // Moves words of song.
    explicit WordTiming(KaraokeSong& song) : m_song(song), m_edited(&song) {}
    // Only reads song: every move below changes nothing and is false.
    explicit WordTiming(const KaraokeSong& song) : m_song(song) {}

    // An amount of m milliseconds in samples: floor(f x 44,100), f being m / 1000 in single
    // precision (200 ms: 8,820).
    static uint32_t AmountSamples(int32_t milliseconds);
    // The song's adjust amount in samples.
    uint32_t Amount() const;

    // No move makes a word shorter than one CD+G packet (1/300 s): a word that is shorter
    // already is not shortened further.
    static constexpr uint32_t kMinWordSamples = kCdgSampleFramesPerPacket;

    // Each moves word w by the amount; false (nothing changed) when w is no word.
    // Start earlier, not before the previous word's start (and its shortest length); the
    // previous word ends by then.
    bool StartEarlier(size_t w);
    // Start later, not past the word's own end less its shortest length; a previous word that
    // touched it still does.
    bool StartLater(size_t w);
    // End earlier, not before the word's own start plus its shortest length.
    bool EndEarlier(size_t w);
    // End later, not past the next word's end (less its shortest length); the next word starts
    // no earlier than that.
    bool EndLater(size_t w);

    // A drag of word w's start or end to song time target (samples): the target snapped to the
    // nearest 10 ms (441 samples), then the start or end moved there by the move above that
    // goes that way, with the same bounds and the same pushing of neighbours. False (nothing
    // changed, nothing marked) when w is no word or the time stays as it is.
    static constexpr uint32_t kDragStep = 441;
    static int64_t SnapToStep(int64_t target);
    bool DragStartTo(size_t w, int64_t target);
    bool DragEndTo(size_t w, int64_t target);

    // Gives the line of word w to a singer (its colour slot); false when w is no word or has
    // no line.
    bool AssignSinger(size_t w, int32_t slot);

    // The loop around word w, in song time: from the start of the whole word the song's loop
    // before counts back (words or seconds) to the end of the one its loop after counts on to.
    // In a duet a line of the second singer alone counts with the line it shares. {0, 0}
    // when w is no word.
    std::pair<uint32_t, uint32_t> LoopStretch(size_t w) const;

    // The first word sung at song time t (start <= t <= end), or -1.
    int WordAt(int64_t t) const;

private:
    bool Valid(size_t w) const;
    // A word that may move: a valid one of a song this moves.
    bool Movable(size_t w) const { return m_edited && Valid(w); }
    // The four moves by any amount.
    void MoveStartEarlier(size_t w, uint32_t amount);
    void MoveStartLater(size_t w, uint32_t amount);
    void MoveEndEarlier(size_t w, uint32_t amount);
    void MoveEndLater(size_t w, uint32_t amount);

    const KaraokeSong& m_song;
    KaraokeSong* m_edited = nullptr;
};
