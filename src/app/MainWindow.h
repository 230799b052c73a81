#pragma once
#include <QMainWindow>
#include <QMap>

class AppContext;
class SongView;
class QAction;
class QDialog;
class QMenu;
class QMimeData;
class QTimer;

// The main window: the menu, the current working view filling the client area, the caption and
// the window placement.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 470;
    static constexpr int kMinimumHeight = 488;

    explicit MainWindow(AppContext& app);
    ~MainWindow() override;

    // Replaces the current view; false when the new view could not be built for the song.
    bool InstallView(int view);
    SongView* View() const { return m_view; }
    QAction* Action(int command) const { return m_actions.value(command); }
    // Edit > Fit Long Lines: the Edit Lyrics view's own command.
    QAction* FitLongLinesAction() const { return m_fitLongLines; }
    // View > Waveform: whether the views show the waveform strip (remembered in the settings).
    QAction* WaveformAction() const { return m_waveform; }
    QAction* SnapTapsAction() const { return m_snapTaps; }
    // File > Open Recent: the projects opened or saved last, newest first, and Clear Menu.
    QMenu* RecentMenu() const { return m_recent; }
    void UpdateCommandStates();
    // The keys typed next in the lyrics editor start a step of their own.
    void EndTypingStep();
    // The word Adjust Lyrics has selected (-1: none, or another view), and selecting it again.
    int SelectedWord() const;
    void SelectWord(int index);
    // Lets a view that can show a changed song in place do so; false when it must be built anew.
    bool ReloadSongInView();

    // Places the window at normal (kept within the screen, see FitOnScreen), maximized or not.
    void RestorePlacement(const QRect& normal, bool maximized, bool show);
    // rect within the free area of the screen it is on (the first screen when none): no larger
    // than that area but no smaller than the window's least size, moved inside it.
    QRect FitOnScreen(const QRect& rect) const;
    // What the four views need at least, with the menu and status bars: the window's least size.
    QSize ViewsNeed() const;
    // The first window of a user without a saved placement: at 10,10, as large as every view
    // needs and with room for a screen twice the least size, within the desktop's free area.
    QRect FirstWindowRect() const;
    QRect NormalRect() const;
    void StopPlaying();
    // Closes the window without asking again (the query has run).
    void CloseWithoutQuery();
    // Web pages, the manual, the companion program and the About box.
    void RunPeripheralCommand(int command);
    void ShowAbout();
    // The user manual's first page, found from the program's folder; "" when it is not there.
    static QString ManualPath();
    // Opens the manual in the desktop's browser, or in a window of its own when the desktop has
    // no browser; says so when the manual is not installed.
    void OpenManual();
    // The manual in a window of the program's own.
    void ShowManualWindow(const QString& manual);
    QDialog* ManualWindow() const { return m_manual; }
    // The local files a drag carries (none for text, or for addresses that are no files).
    static QStringList DroppedFiles(const QMimeData* data);

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    // Files dropped anywhere on the window, its lyric editor among it, go the file's way; a
    // text dropped on the editor stays the editor's.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The view takes the keyboard unless one of its controls has it.
    void KeysToView();
    QAction* AddCommand(QWidget* menu, const QString& text, int command, const QKeySequence& shortcut = {});
    void BuildMenu();
    void FillRecentMenu();
    // Takes a drag event that carries files or addresses (for this window or one of its
    // controls); false for anything else.
    bool TakeFileDrag(QEvent* event);

    AppContext& m_app;
    SongView* m_view = nullptr;
    QMap<int, QAction*> m_actions;
    QAction* m_fitLongLines = nullptr;
    QAction* m_findLyrics = nullptr;
    QAction* m_waveform = nullptr;
    QAction* m_snapTaps = nullptr;
    QMenu* m_recent = nullptr;
    QDialog* m_manual = nullptr;
    QTimer* m_stateTimer = nullptr;
    bool m_closing = false;
};
