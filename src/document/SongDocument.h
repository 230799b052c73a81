#pragma once
#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "media/WorkOutcome.h"
#include "audio/MusicImport.h"
#include "document/RecoveryFile.h"
#include "document/SongEdit.h"
#include "document/UndoHistory.h"
#include "project/MusicLocation.h"
#include "project/SingerGuidance.h"

class KaraokeSong;
class OutputGate;
struct AlignedWord;
class UserPrompt;
struct LrcDocument;
class WaveformPeaks;

// The open song as the window and the command line both work on it: the song, its project
// path and modified state, its music and the work file it plays from, the history of its
// changes, and a recovery copy while it is unsaved. Whoever shows the song subscribes to its
// changes; the one UserPrompt the document holds hears every question and message.
//
// The song is read through Song(); it changes only through an edit (BeginEdit) or one of the
// document's own operations, each of which records its step in the history.
class SongDocument {
public:
    enum class Change {
        Content,  // the song's words, times, text or settings (an undo or redo among them)
        Music,    // music attached, loaded or cleared
        Path,     // the project's path
        Modified, // the modified state
        History,  // what Undo and Redo would do
    };
    using Listener = std::function<void(Change)>;

    explicit SongDocument(UserPrompt* prompt = nullptr);
    ~SongDocument();
    SongDocument(const SongDocument&) = delete;
    SongDocument& operator=(const SongDocument&) = delete;

    const KaraokeSong& Song() const { return *m_song; }
    void SetPrompt(UserPrompt* prompt);
    // Whether the song's player plays now (the song counts as unplaced meanwhile).
    void SetPlayingProbe(std::function<bool()> probe);

    // -- The project.
    // An untitled song with the default settings and pages, no music, no history.
    void New();
    // Reads the project at path. On failure the user has been told why (the outcome's message)
    // and the open song is left exactly as it was, its path, music, history and modified state
    // among it.
    WorkOutcome Open(const std::string& path);
    // Opens a song that a crash left behind: the recovered content, the path it had, marked
    // modified. The music is the caller's to load, as after Open; a failure leaves the song as
    // Open's does.
    WorkOutcome OpenRecovered(const RecoveryFile::Found& found);
    // Writes the project to its path; failed (the user told why) when it was not written.
    WorkOutcome Save();
    // Writes it under path, which the song takes only when the write succeeded.
    WorkOutcome SaveAs(const std::string& path);
    const std::string& Path() const;
    // The song differs from what was saved: the history stands at another step than the saved
    // one, the song was recovered and not saved since, or other music was attached.
    bool Modified() const;
    // The song as it is now counts as saved (a song the user has been told cannot be worked
    // on, closed without a question).
    void Discard();

    // -- Music.
    // Where the stored music is now (the stored path, or beside a moved project).
    MusicLocation LocateMusic() const;
    // The song names music that is nowhere LocateMusic looks. Its path stays the song's, saved
    // with it, until the user chooses other music; nothing is written there meanwhile.
    bool MusicMissing() const;
    // Runs the long part of a call (the decoding of music) and returns when it has ended: on a
    // worker thread while the window's events turn, say. The song is changed only after it, on
    // the calling thread. Without one the work runs on the calling thread.
    using WorkRunner = std::function<void(const std::function<void()>& work)>;
    // Imports the music at path: the song plays from it; the song's stored music and its
    // modified state stay (Open keeps them, AttachMusic sets them). Cancelled when progress
    // answered false, and then the song has the music it had before; failed with the reasons
    // on one line (all of them, a line each, in MusicResult().errorText). Nothing is told: the
    // caller shows the outcome.
    WorkOutcome LoadMusic(const std::string& path, MusicImport::Progress progress = {}, const WorkRunner& run = {});
    // Loads the music and makes it the song's music (modified).
    WorkOutcome AttachMusic(const std::string& path, MusicImport::Progress progress = {}, const WorkRunner& run = {});
    // The project's own music where it is now: located, then loaded. Failed with why (naming
    // every path tried, or the music's path and what is wrong with it) when it is nowhere or
    // cannot be used. Music found beside a moved project is told of through the prompt unless
    // tellMoved is false.
    WorkOutcome LoadProjectMusic(MusicImport::Progress progress = {}, bool tellMoved = true,
                                 const WorkRunner& run = {});
    void ClearMusic();
    // The project's music could not be loaded and the user chose none: music that is nowhere
    // keeps its stored path (a disk that is not there today), music that is unusable is dropped.
    void ForgetMusic(bool keepStoredPath);
    bool MusicLoaded() const { return !m_music.path.empty(); }
    // The music file the user chose, and what its import found.
    const std::string& MusicSource() const { return m_musicSource; }
    const MusicImportResult& MusicResult() const { return m_music; }
    // Stops a music import running on another thread.
    void CancelMusic();
    // The peaks of the music as the song plays it now (its work file and length), read on the
    // first call after either changed; empty without music. On failure they are empty and why
    // (when given) says why, naming the file.
    const WaveformPeaks& MusicPeaks(std::string* why = nullptr);

    // -- Changes.
    // Opens an edit of the song whose step will be named name. Views and commands change the
    // song only through one; everything else reads it.
    SongEdit BeginEdit(std::string name, StepMerge merge = StepMerge::Own);
    bool Editing() const { return m_editDepth > 0; }

    // -- Changes the user makes as a whole, each one step.
    // Takes the settings of edited (a copy of the song a settings dialog worked on) as the step
    // named step.
    void ApplySettings(const KaraokeSong& edited, const std::string& step = "Song Settings");
    // The artist and title the exports name the song by: "Artist and Title".
    bool SetArtistAndTitle(const std::string& artist, const std::string& title);
    // What the screen shows singers between lines (count-in, instrumental notice): "Singer
    // Guidance". The gaps are kept within what the settings take.
    bool SetGuidance(const SingerGuidance& guidance);
    // The three singer descriptions of a duet: "Singer Descriptions".
    bool SetSingerDescriptions(const std::array<std::string, 3>& descriptions);
    // Reads the lyrics of a TXT, LRC, KAR/MIDI or UltraStar file at path into the song as the
    // step "Import Lyrics" (or into the edit open now); an LRC or KAR file's times are left in
    // lrc for ApplyLrcTiming. Failed when nothing was imported (the user has been told why).
    WorkOutcome ImportLyrics(const std::string& path, LrcDocument& lrc);
    // The lyric file this song's text was last imported from in this session; empty when
    // unknown. It is one of the song's inputs, never an output.
    const std::string& LyricSource() const { return m_lyricSource; }
    // Adds the song's inputs to an output gate, which then refuses to write over any of them:
    // its project file, its music as named, as played and as decoded from, the music found
    // beside a moved project, and the lyric file it was made from when that is known.
    void AddInputsTo(OutputGate& gate) const;
    // The same inputs as (path, what it is to the user) pairs.
    std::vector<std::pair<std::string, std::string>> Inputs() const;
    void SetLyricSource(const std::string& path) { m_lyricSource = path; }
    // Writes lrc's times into the words, asking first when some are placed, and records the
    // step "Apply LRC Timing". False when no times were written.
    bool ApplyLrcTiming(const LrcDocument& lrc);
    // Writes times found from the singing (VocalAligner) into the words they name and marks
    // their lines placed, as placing them by hand does, as the one step "Auto-Time Lyrics".
    // Entries naming no word of the song are passed over. False when nothing changed.
    bool ApplyWordTimes(const std::vector<AlignedWord>& times);
    // The words the last ApplyWordTimes marked unsure, for this session only (never saved). A
    // word counts as unsure while it keeps the times it was given: moving or placing it by hand
    // clears it, and so does undoing the timing (undoing the move brings it back).
    bool WordUnsure(size_t element) const;
    size_t UnsureWordCount() const;
    // The first unsure word after element after (-1: from the start), round to the start again;
    // -1 when there is none.
    int NextUnsureWord(int after) const;

    // -- What the views keep in the song and no step records (Undo and Redo do not keep it).
    // The line list rebuilt from the lyric text, times kept; finalText: the text as the screen
    // shows it. The rebuild's warnings go to prompt when given.
    void RebuildLineList(bool finalText, UserPrompt* prompt = nullptr);
    // Says that the lyrics' duet marks were dropped because the song is for one singer: through
    // prompt, or the document's own prompt when none is given.
    void TellDuetMarksDropped(UserPrompt* prompt = nullptr) const;
    // Marks word index selected and no other (none for an index that is no word).
    void SelectWord(int index);
    // The boxes the words take on the screen, for a click to find its word.
    void MeasureWordBoxes();
    // The song was worked on in the Adjust Lyrics view.
    void NoteAdjustUsed();

    // Lyric lines with words, and those of them with a word not yet placed.
    struct Placement {
        size_t lines = 0;
        size_t unplaced = 0;
    };
    Placement CountPlacement() const;
    // Why the song cannot be exported as karaoke, empty when it can: lyrics of which no word
    // is placed would be a blank screen (the window offers no export then either).
    std::string UntimedRefusal() const;

    // -- History. Every edit is a step; Undo and Redo are refused while an edit is open.
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    const std::string& UndoName() const { return m_history.UndoName(); }
    const std::string& RedoName() const { return m_history.RedoName(); }
    bool Undo();
    bool Redo();
    const UndoHistory& History() const { return m_history; }

    // -- Change notification.
    size_t Subscribe(Listener listener);
    void Unsubscribe(size_t id);

    // -- Recovery.
    // Where this document keeps its recovery copy; an empty path keeps none (the default).
    void SetRecoveryFile(const std::string& path);
    // Writes the recovery copy when the song is modified and differs from the last copy, and
    // removes it when the song is not modified. False when a write failed.
    bool WriteRecovery();
    void RemoveRecovery();

private:
    // Closes the outermost edit: records its step, or puts the song back.
    bool EndEdit(const std::string& name, StepMerge merge, bool commit);
    // Records state, the song as it is now, as a step (nothing when it did not change).
    bool Record(const std::string& name, StepMerge merge, SongSnapshot state);
    // Tells the listeners when the modified state is no longer was.
    void NoteModified(bool was);
    void Notify(Change change);
    void ResetHistory(bool saved);
    void FollowHistory(const SongSnapshot* state);
    void SetPath(const std::string& path);

    std::unique_ptr<KaraokeSong> m_song;
    UserPrompt* m_prompt = nullptr;
    UndoHistory m_history;
    // Music attached since the song was opened or saved: no step holds it.
    bool m_musicChanged = false;
    int m_editDepth = 0;
    // The song as the open edit found it; none while that is the history's current state.
    std::optional<SongSnapshot> m_editBefore;
    // The song is the history's current state: nothing has changed it since that was taken.
    bool m_atCurrent = false;
    std::string m_musicSource;
    std::string m_lyricSource;
    MusicImportResult m_music;
    std::atomic<MusicImport*> m_import{nullptr};
    std::unique_ptr<WaveformPeaks> m_peaks;
    std::string m_peaksPath; // what m_peaks were read from: the work file and its length
    uint32_t m_peaksBytes = 0;
    std::vector<std::pair<size_t, Listener>> m_listeners;
    size_t m_nextListener = 1;
    std::unique_ptr<RecoveryFile> m_recovery;
    std::vector<uint8_t> m_recoveryWritten;
    // What ApplyWordTimes marked unsure: the element and the times it was given, by element.
    struct UnsureTime {
        size_t element = 0;
        uint32_t start = 0;
        uint32_t end = 0;
    };
    std::vector<UnsureTime> m_unsure;
    bool m_toldUnicodeFormat = false; // the user knows the project now needs this version
};
