#pragma once
#include <optional>

#include "document/SongEdit.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <QString>

#include "app/views/SongView.h"
#include "audio/ManualResetEvent.h"

class QCheckBox;
class VocalOnsets;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class Placement;
struct MKaraokeWord;

// The working view number ViewId::PlaceLyrics, where the song is timed: the music plays from
// its start and each press of the Space bar makes the music's position the start of the next
// word element and the end of the one before. The preview shows the current lyric page with
// the next word underlined and every word placed in this run in the sweep colour. With "Lines
// Only" checked each press places only the next line's first word, for Auto-Time to time the
// rest of every line from those taps.
class PlaceLyricsView : public SongView {
    Q_OBJECT
public:
    enum class State { Ready, Placing, Finished };

    static constexpr int kMinTempo = 50;
    static constexpr int kMaxTempo = 100;
    static constexpr int kTempoStep = 5;
    // Page Up and Page Down on the tempo move it by this many steps.
    static constexpr int kTempoPageSteps = 5;
    // How often the view looks whether the music has ended.
    static constexpr int kTimerMs = 50;
    // Where "Lines Only" is remembered (the Settings group).
    static constexpr const char* kKeyLinesOnly = "PlaceLinesOnly";

    PlaceLyricsView(AppContext& app, QWidget* parent);
    ~PlaceLyricsView() override;

    // The placement row at its natural width over the mode row, beside the smallest screen.
    static QSize Needs(const QWidget& reference);

    void StopPlaying() override;
    void CloseView() override;
    void UpdateControls() override;

    // The view's commands.
    void Start();
    void PlaceWord();
    void Pause();
    void End();
    // A step of the tempo spin to position p (tempo / 5): false when outside 10 to 20.
    bool TempoStep(int position);

    State CurrentState() const { return m_state; }
    int Tempo() const { return m_tempo; }
    // The next word to place (the word count when all are placed) and the word whose end is open.
    size_t Cursor() const;
    const MKaraokeWord* OpenWord() const;
    // The page the preview shows.
    int PreviewPage() const { return m_page; }
    QPushButton* StartButton() const { return m_start; }
    QPushButton* PlaceButton() const { return m_place; }
    QPushButton* PauseButton() const { return m_pause; }
    QPushButton* StopButton() const { return m_stop; }
    // Auto-T&ime...: the Edit menu's command, for the song as the view shows it.
    QPushButton* AutoTimeButton() const { return m_autoTime; }
    // The music's clock (m:ss.cc) beside the tempo.
    QLabel* ClockLabel() const { return m_clock; }
    // "Lines Only": a press places a line's first word and goes on to the next line's.
    QCheckBox* LinesOnlyBox() const { return m_linesOnly; }
    void SetLinesOnly(bool linesOnly);

protected:
    bool ViewKeyPress(QKeyEvent* event) override;
    bool ViewKeyRelease(QKeyEvent* event) override;
    QWidget* KeyboardTarget() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    // The clock of this instant: what a press is stamped with before anything else happens.
    uint32_t ClockNow() const;
    bool MusicPlaying() const;
    void PlaceWordAt(uint32_t time);
    // With Edit > Snap Taps to the Singing on, the onsets of the last vocal track Auto-Time was
    // given, read when they are not read yet; none otherwise.
    void ReadOnsets();
    void PauseAt(uint32_t time);
    void SetState(State state);
    void UpdatePlacedRule();
    void ShowTempo();

    void OnTimer();
    void ShowClock();

    // Preview drawing: one present for each redraw.
    void DrawPageOfCursor();
    void SweepWord(const MKaraokeWord& word);
    void MarkCursorWord();
    void BeginDraw();
    void EndDraw();

    State m_state = State::Ready;
    int m_tempo = kMaxTempo;
    std::unique_ptr<Placement> m_placement;
    // The pass under way, Start to End, is one edit of the song: a press changes the song and
    // nothing more, so that the next key is read on time; End records the whole pass as one step.
    std::optional<SongEdit> m_pass;
    int m_page = 0;
    bool m_spaceLatch = false;
    bool m_ctrlLatch = false;
    // The clock when the mouse went down on "Place Word (SB)"; the click places at it.
    uint32_t m_pressedAt = 0;
    ManualResetEvent m_done;
    // Where the taps snap to, and the vocal track (path and time written) they were read from.
    std::unique_ptr<VocalOnsets> m_onsets;
    QString m_onsetsFrom;
    // The start the last press of this run gave: a snap never goes back to it or before.
    uint32_t m_lastTap = 0;

    QFrame* m_previewFrame = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_place = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_autoTime = nullptr;
    QLabel* m_tempoLabel = nullptr;
    QLineEdit* m_tempoField = nullptr;
    QToolButton* m_tempoUp = nullptr;
    QToolButton* m_tempoDown = nullptr;
    QLabel* m_clock = nullptr;
    QCheckBox* m_linesOnly = nullptr;
    QTimer* m_timer = nullptr;
};
