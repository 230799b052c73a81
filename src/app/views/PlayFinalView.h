#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "app/views/SongView.h"
#include "cdg/SongStream.h"

class ManualResetEvent;
class KaraokePlayer;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

// Play Final: the finished song's whole stream, played against the music from any position.
class PlayFinalView : public SongView {
    Q_OBJECT
public:
    static constexpr int kSamplesPerStep = 147; // one packet
    static constexpr int kTimerMs = 100;

    PlayFinalView(AppContext& app, QWidget* parent);
    ~PlayFinalView() override;

    // The play button and a usable slider over the mode row, beside the smallest screen.
    static QSize Needs(const QWidget& reference);

    void StopPlaying() override;
    void CloseView() override;
    void UpdateControls() override;

    // For tests and the shell.
    bool Playing() const { return m_playing; }
    // Stopped by a move of the slider while playing, to play on when the move is over.
    bool PausedForScroll() const { return m_pausedForScroll; }
    uint32_t PlayPosition() const { return m_playPosition; }
    uint32_t StreamStart() const { return m_streamStart; }
    // The stream the view plays, as the stream writer made it from the song when the view opened.
    const std::vector<uint8_t>& Stream() const { return m_stream.bytes; }
    // Packets the screen shows while nothing plays: 0 up to this one, not including it.
    int ShownPackets() const { return m_shown; }
    QPushButton* PlayButton() const { return m_play; }
    QSlider* Slider() const { return m_slider; }
    // The music's clock (m:ss.cc) beside the slider.
    QLabel* ClockLabel() const { return m_clock; }
    void PlayToggle();
    // The timer's work, also callable directly.
    void OnTimer();

protected:
    bool ViewKeyPress(QKeyEvent* event) override;
    bool ViewKeyRelease(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The play button, the slider and the clock in a row; the button keeps room for either of
    // its texts, the clock for the longest time.
    static QWidget* BuildControlRow(QWidget* parent, QPushButton*& play, QSlider*& slider, QLabel*& clock);
    void ShowClock();

    QWidget* m_controls = nullptr;
    void BuildStream();
    void ShowPosition(int step);
    // The packets that play before the clock reaches position (never the stream's last one).
    int PacketsAt(uint32_t position);
    // Brings the screen to show the packets before target: onwards from what it shows, or from
    // a new screen when target lies behind it. One present at the end.
    void DrawUpTo(int target);
    // After a stop: the clock where the music stopped, and the screen brought up to it.
    void TakeStopPosition();
    void SetSliderQuietly(int step);
    void ClearScreen();
    void OnSliderMoved(int step);
    // A move of the slider is over (a key or the mouse let go, a turn of the wheel done): the
    // music plays on from the new position when the move stopped it.
    void EndTracking();
    bool Tracking() const;

    std::unique_ptr<ManualResetEvent> m_done;
    QPushButton* m_play = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_clock = nullptr;
    QTimer* m_timer = nullptr;
    bool m_playing = false;
    bool m_pausedForScroll = false;
    // What holds a move open: a slider key down, the mouse down on the slider.
    bool m_keyHeld = false;
    bool m_mouseHeld = false;
    bool m_handingKeyOn = false;
    uint32_t m_playPosition = 0;
    // Where the last Play started; the clock starts a little before it (the player's run-up).
    uint32_t m_playedFrom = 0;
    int m_shown = 0;
    uint32_t m_streamStart = 0;
    SongStream m_stream;
};
