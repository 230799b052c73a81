#pragma once
#include <functional>

class KaraokeSong;

// How the step of an edit meets the step before it in the history.
enum class StepMerge {
    Own,   // a step of its own
    Start, // a step of its own that later edits of the same name may join
    Join,  // joins the last step when an edit of the same name started it and nothing came
           // between (no undo, redo, save or other step); otherwise as Start
};

// One change of the song in the making, as the song's document (SongDocument::BeginEdit) hands
// it out: the only way to the song to change it. Commit records what changed as one step of
// the history (nothing when nothing changed); an edit that ends without Commit is aborted: the
// song is put back as it was when the edit began. An edit begun while another is open joins
// that one, which commits or aborts the whole.
class SongEdit {
public:
    // Records the edit (commit) or puts the song back; true when the history took a step.
    using Close = std::function<bool(bool commit)>;

    SongEdit(SongEdit&& other) noexcept;
    SongEdit& operator=(SongEdit&&) = delete;
    SongEdit(const SongEdit&) = delete;
    SongEdit& operator=(const SongEdit&) = delete;
    ~SongEdit();

    // The song to change, while the edit is open.
    KaraokeSong& Song() { return *m_song; }
    // Records the step. True when the history took a step (or the last one grew).
    bool Commit();
    // Puts the song back as it was when the edit began.
    void Abort();
    bool IsOpen() const { return m_open; }

private:
    friend class SongDocument;
    // close: how the document ends the edit; none for an edit that joins an open one.
    SongEdit(KaraokeSong& song, Close close);
    bool End(bool commit);

    KaraokeSong* m_song;
    Close m_close;
    bool m_open = true;
};
