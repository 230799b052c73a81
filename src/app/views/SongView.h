#pragma once
#include <QWidget>
#include <memory>

class AppContext;
class CWaveformStrip;
class KaraokePlayer;
class CdgScreen;
class CdgScreenWidget;
class QAbstractButton;
class QKeyEvent;
class QMenuBar;
class QPushButton;

// What every working view shares: the row of mode buttons ("E&dit Lyrics", "Place &Lyrics",
// "&Adjust Lyrics", "&Play Final", "&Settings...") along the bottom, the view's own button in
// green, the CD+G screen and the program's one player.
class SongView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 11;
    static constexpr int kGap = 7;
    static constexpr int kModeCount = 5;
    // Where the screen sits inside its frame.
    static constexpr int kViewerInset = 2;
    // The smallest CD+G screen a view keeps when the window is made small: every pixel of the
    // 300 x 216 screen at least once, at the 4:3 the views show it in (its frame adds
    // kViewerInset on each side).
    static constexpr int kMinimumScreenWidth = 300;
    static constexpr int kMinimumScreenHeight = 225;

    SongView(AppContext& app, int viewId, QWidget* parent);
    ~SongView() override;

    int ViewId() const { return m_viewId; }
    // Enables the mode buttons by the shell's rules (the view's own button stays enabled).
    virtual void UpdateControls();
    QPushButton* ModeButton(int index) const { return m_modeButtons[index]; }

    // Stops whatever the view plays (the shell calls it before closing or switching).
    virtual void StopPlaying() {}
    // The shell is replacing the view: it stops playing, stops its timers and lets go of the
    // player. The widget itself goes later, when control is back in the event loop.
    virtual void CloseView();
    bool Closed() const { return m_closed; }
    // False when the view could not be built for the song (the shell then closes the project).
    virtual bool Usable() const { return true; }

    // What the shell asks of whichever view is current; a view without the thing says so.
    // Ends the step the keys typed in the lyrics editor join.
    virtual void RecordTyping() {}
    // Shows the song's text again after an undo or redo; false when the view keeps no text.
    virtual bool ReloadSong() { return false; }
    // Edit > Fit Long Lines: whether some line is too wide for the screen, and breaking them.
    virtual bool CanFitLongLines() const { return false; }
    virtual void FitLongLines() {}
    virtual bool CanFindLyricsOnWeb() const { return false; }
    virtual void FindLyricsOnWeb() {}
    // The word selected for adjusting (-1 when none or the view selects no words), and selecting one.
    virtual int SelectedWord() const { return -1; }
    virtual void SelectWord(int) {}
    // Imports the lyric file at path as Import Lyrics does (a view without the command ignores it).
    virtual void ImportLyricsFile(const QString&) {}

    // The view takes the keyboard: the widget its keys are meant for gets the focus (at once when
    // the window is active, else when it becomes active). The shell calls it whenever the view
    // becomes current and whenever the window comes back to the front.
    void TakeKeyboard();
    // Whether a key sent to target is the view's: sent to the view or anything in it, or to
    // anything else of its window but the menu bar (the window itself when nothing of it has the
    // focus, a control of the view it replaced).
    bool OwnsKey(const QWidget* target) const;
    // The window's menu bar when target is in it.
    QMenuBar* MenuBarOf(QWidget* target) const;
    static bool MenuBarHasMnemonic(const QMenuBar& bar, const QKeyEvent* key);

    // The least room the view needs to show every control whole beside the smallest screen,
    // measured with the fonts of its texts. The window is never made smaller than what the
    // four views need.
    static QSize Needs(const QWidget& reference);
    // The mode row's share: five equal buttons as wide as the widest text needs, the margins
    // around them.
    static QSize ModeRowNeeds(const QWidget& reference);
    // A push button's natural size for text in reference's font.
    static QSize ButtonSize(const QWidget& reference, const QString& text);
    // Lets a button with a short text ("1", an arrow) be as narrow as its text and the style's
    // margins, rather than the width the style gives every text button, when room is short.
    static void NarrowToText(QPushButton* button);

    // The waveform strip of a view that shows one (null in the others), its height from the
    // settings ("WaveformHeight") and whether it shows ("ShowWaveform", the View menu's toggle).
    CWaveformStrip* Waveform() const { return m_waveform; }
    void ShowWaveform(bool shown);
    // The least room a view with a strip keeps for it under its screen.
    static int WaveformNeeds();

    // The view's CD+G screen, when it has one.
    CdgScreenWidget* Viewer() const { return m_viewer; }
    CdgScreen* Renderer() const { return m_renderer.get(); }
    // Draws lyric page `page` of the song into the screen.
    void ShowLyricPage(int page);

    // The program's one player, made (with the thread priorities of the settings) when there is
    // none yet. Views never keep the pointer: another view may destroy the player.
    KaraokePlayer& Player();

    // The colour-button faces: green marks the view's own mode button and a stopped play button.
    static void SetGreenFace(QPushButton* button, bool green);
    static bool HasGreenFace(const QPushButton* button);

protected:
    // The view's own keys, seen before any of its controls gets them (a focused button does not
    // swallow Space). True when the key was the view's and is consumed.
    virtual bool ViewKeyPress(QKeyEvent*) { return false; }
    virtual bool ViewKeyRelease(QKeyEvent*) { return false; }
    // The widget that holds the focus while the view waits for its keys.
    virtual QWidget* KeyboardTarget() const { return const_cast<SongView*>(this); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The visible, enabled button of this view whose underlined letter is the one pressed with Alt.
    QAbstractButton* MnemonicButton(const QKeyEvent* key) const;

    AppContext& App() { return m_app; }
    const AppContext& App() const { return m_app; }
    // Adds the CD+G screen as a child of `frame` (the view itself when none).
    CdgScreenWidget* AddViewer(QWidget* frame = nullptr);
    // Adds the waveform strip (shown or not as the settings say); the view lays it out.
    CWaveformStrip* AddWaveform();
    // The strip's height when the space for the screen and the strip together is `room`: its
    // set height, less when the screen would get smaller than the least it keeps; 0 when hidden.
    int WaveformHeightIn(int room) const;
    // Lays the view out again at its size.
    void Relayout();
    // Puts the mode row along the bottom edge, kMargin above it; returns the row's top.
    int LayoutModeRow();
    int ModeRowHeight() const;
    // Default layout: the mode row, and the screen at 4:3 in the space above it.
    void resizeEvent(QResizeEvent* event) override;
    // The layout of a view with a row of controls above the mode row: the controls kGap above
    // it, the waveform strip (when it shows) a gap above them across the width, and the screen
    // in the rest from kMargin down, as large as fits at 4:3 and centred across (see ScreenBox),
    // inset by kViewerInset in its frame.
    void LayoutWithControls(QWidget* controls);
    // The largest 4:3 box inside room, centred across it and at its top.
    static QRect ScreenBox(const QRect& room);

private:
    void OnMode(int index);

    AppContext& m_app;
    int m_viewId;
    bool m_closed = false;
    QPushButton* m_modeButtons[kModeCount] = {};
    std::unique_ptr<CdgScreen> m_renderer;
    CdgScreenWidget* m_viewer = nullptr;
    CWaveformStrip* m_waveform = nullptr;
};
