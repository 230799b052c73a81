#pragma once
#include <memory>

#include "app/views/SongView.h"
#include "cdg/SongStream.h"

class ManualResetEvent;
class KaraokePlayer;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
struct IMAGE_STRUCT;

// Adjust Lyrics: select a word, audition the song from it or loop around it, move its start
// and end by the adjust amount, and give its line to a singer.
class AdjustLyricsView : public SongView {
    Q_OBJECT
public:
    enum PlayMode { kIdle = 0, kAudition = 1, kAdjust = 2 };

    AdjustLyricsView(AppContext& app, QWidget* parent);
    ~AdjustLyricsView() override;

    // The three groups (a duet's singers too) and the page buttons at their least width over
    // the mode row, beside the smallest screen.
    static QSize Needs(const QWidget& reference);
    // The stream start of the current or last play: where the music starts on the player's clock.
    uint32_t StreamStart() const { return m_streamStart; }

    void StopPlaying() override;
    void CloseView() override;
    void UpdateControls() override;

    // What the tests and the keys drive.
    int Mode() const { return m_mode; }
    int CurrentPage() const { return m_page; }
    int SelectedWord() const override { return m_selected; }
    void SelectWord(int index) override;
    void SelectAt(QPoint windowPoint, Qt::KeyboardModifiers modifiers);
    void CursorLeft();
    void CursorRight();
    // U: the next word the last Auto-Time was unsure of, after the selected one (round to the
    // first again); false when there is none.
    bool SelectNextUnsure();
    void PreviousPage();
    void NextPage();
    void StartEarlier();
    void StartLater();
    void EndEarlier();
    void EndLater();
    void AuditionToggle();
    void AdjustToggle();
    void AssignSinger(int slot);
    // The loop's stretch around the selected word, in song time (for tests).
    std::pair<uint32_t, uint32_t> LoopStretch() const;
    uint32_t AmountSamples() const;
    QLabel* PageLabel() const { return m_pageLabel; }
    // 0 start, 1 end, 2 length, 3 the adjust amount.
    QLabel* TimeLabel(int i) const { return m_times[i]; }
    QPushButton* SingerButton(int i) const { return m_singers[i]; }
    QGroupBox* SingerGroup() const { return m_singerGroup; }
    QPushButton* AdjustAreaButton() const { return m_adjustArea; }
    void OnTimer();

protected:
    bool ViewKeyPress(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool ViewKeyRelease(QKeyEvent* event) override;

private:
    struct ControlRow {
        QGroupBox* auditionGroup = nullptr;
        QPushButton* audition = nullptr;
        QGroupBox* adjustGroup = nullptr;
        QPushButton* adjust = nullptr;
        QPushButton* adjustArea = nullptr;
        QPushButton* moves[4] = {};
        // The selected word's start, end and length and the adjust amount.
        QLabel* times[4] = {};
        QGroupBox* singerGroup = nullptr;
        QPushButton* singers[3] = {};
        QLabel* pageLabel = nullptr;
        QPushButton* previous = nullptr;
        QPushButton* next = nullptr;
    };
    // The row of groups above the mode row, its singer buttons in the lyrics page's colours.
    static QWidget* BuildControlRow(QWidget* parent, const IMAGE_STRUCT* lyrics, ControlRow& parts);

    QWidget* m_controls = nullptr;
    void DrawPage();
    void Play(bool window);
    void StopPlayer();
    int FirstWordOfPage(int page) const;
    int LastWordOfPage(int page) const;
    int LastPage() const;
    int PageOfWord(int index) const;
    // The selected word's times and the amount into their labels.
    void ShowTimes();

    std::unique_ptr<ManualResetEvent> m_done;
    QTimer* m_timer = nullptr;
    int m_mode = kIdle;
    int m_page = 0;
    int m_selected = -1;
    int m_cursor = 0;
    int m_tempo = 100;
    uint32_t m_streamStart = 0;
    // The audition's stream, from the selected word on; the player reads it while it plays.
    SongStream m_stream;
    uint32_t m_playStart = 0;
    uint32_t m_musicEnd = 0;
    bool m_latchSpace = false, m_latchN = false, m_latchLess = false, m_latchMore = false;

    QPushButton* m_audition = nullptr;
    QPushButton* m_adjust = nullptr;
    QPushButton* m_adjustArea = nullptr;
    QPushButton* m_moves[4] = {};
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_singers[3] = {};
    QGroupBox* m_auditionGroup = nullptr;
    QGroupBox* m_adjustGroup = nullptr;
    QGroupBox* m_singerGroup = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_times[4] = {};
    QString m_reportedTimes;
};
