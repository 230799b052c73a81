#pragma once
#include <cstdint>
#include <QList>
#include <QString>
#include <QTextEdit>
#include <functional>
#include <memory>

#include "app/views/SongView.h"
#include "audio/ManualResetEvent.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QSizeGrip;
class QSlider;
class QTimer;
class UserPrompt;
struct LrcDocument;

// The working view number ViewId::EditLyrics: the lyric editor, the import of lyrics and music,
// a small music player (play button, position slider, time label) and a CD+G preview of one
// lyric page at a time. Every change of the text goes to the song at once and rebuilds the
// preview.
class EditLyricsView : public SongView {
    Q_OBJECT
public:
    static constexpr int kLyricFontHeight = 28;
    // One slider step: 147 sample frames, 1/300 s.
    static constexpr uint32_t kFramesPerStep = 147;
    static constexpr int kStepsPerSecond = 300;
    static constexpr int kTimerMs = 100;
    // The editor's share of the width at least; the CD+G preview takes the rest.
    static constexpr double kDefaultSplit = 0.4;
    // Room the music's name keeps at least, in average characters.
    static constexpr int kMusicNameChars = 12;
    static constexpr const char* kMsgProjectProblem = "There is a problem with the project you opened.";

    EditLyricsView(AppContext& app, QWidget* parent);
    ~EditLyricsView() override;

    // The import and play row with room for the music's name, and an editor and a preview
    // with its page arrows side by side at the usual split, over the mode row.
    static QSize Needs(const QWidget& reference);

    bool Usable() const override { return m_usable; }
    void StopPlaying() override;
    void CloseView() override;
    void UpdateControls() override;

    // The commands of the view's controls.
    // "&Import Lyrics": the lyric file chooser at once.
    void ImportLyrics();
    void ImportLyricsFile(const QString& path) override;
    // Edit > Find Lyrics on the Web: the lyric web searches, with "Local File..." among them.
    void FindLyricsOnWeb() override;
    bool CanFindLyricsOnWeb() const override { return Usable(); }
    void AddMusic();
    void PlayToggle();
    void ShowPreviousPage();
    void ShowNextPage();
    void PreviewRefresh();
    void AudioControlsRefresh();
    // Edit > Fit Long Lines: every lyric line too wide for the screen is broken at the last
    // space that fits, as one edit of the editor (so Undo takes it back).
    void FitLongLines() override;
    bool CanFitLongLines() const override { return Usable() && !m_linesTooWide.isEmpty(); }
    // Every key is recorded at once; the keys typed until they rest a moment are one undo
    // step. Ends that step now, so that the next key starts another.
    void RecordTyping() override;
    // Shows the song's text again after an undo or redo changed it, the cursor where it was.
    bool ReloadSong() override;

    // State, for the shell and the tests.
    QPlainTextEdit* Editor() const { return m_editor; }
    int PreviewPage() const { return m_previewPage; }
    int LastPage() const { return m_lastPage; }
    bool Playing() const { return m_playing; }
    bool PausedForDragging() const { return m_pausedForDragging; }
    uint32_t PlayPosition() const { return m_playPosition; }
    double SplitRatio() const { return m_split; }
    QString TimeText() const;
    // The editor's lines (from 0) whose lyric line is too wide for the screen.
    const QList<int>& LinesTooWide() const { return m_linesTooWide; }
    const QList<int>& LinesUndrawable() const { return m_linesUndrawable; }
    QLabel* FitLabel() const { return m_fitLabel; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Import Lyrics through the lyric file chooser, or the web searches.
    void ImportLyricsFromDialog(bool web);
    void BuildControls();
    // The import's one edit around read, which fills the song's text (and lrc with the file's
    // times) and says whether it read lyrics.
    void ImportLyricsWith(const std::function<bool(LrcDocument& lrc)>& read);
    void LoadEditorText();
    void OnTextChanged();
    // Marks the editor's lines that the screen cuts off, and those with a character no font
    // can draw (each such character underlined), and says how many under the editor.
    void MarkLines();
    QList<QTextEdit::ExtraSelection> MarkUndrawable();
    void LayoutControls();
    void OnTimer();
    void StartMusic();
    void StopMusic();
    void ShowPlayFace(bool playSign);
    void ShowMusicName();
    void SetSliderPosition(int position);
    void BeginScroll();
    void EndScroll();
    void OnSliderValue(int value);
    void UpdateTimeLabel();
    void PreparePlayer();
    double ReadSplitRatio();

    bool m_usable = true;
    bool m_loadingText = false;
    // Keys typed now join the step of the keys before them.
    bool m_typingRun = false;
    QTimer* m_typingTimer = nullptr;
    bool m_settingSlider = false;
    bool m_playing = false;
    bool m_pausedForDragging = false;
    int m_previewPage = 0;
    int m_lastPage = 0;
    double m_split = kDefaultSplit;
    uint32_t m_playPosition = 0;
    int m_sliderPosition = 0;
    int m_sliderMax = 0;
    uint32_t m_musicFrames = 0;
    QList<int> m_linesTooWide;
    // Editor lines (from 0) with a character no font can draw, and what the notice says of them.
    QList<int> m_linesUndrawable;
    QString m_undrawableText;
    int m_musicSeconds = 0;
    ManualResetEvent m_done;
    std::unique_ptr<UserPrompt> m_rebuildPrompt;

    QPushButton* m_import = nullptr;
    QPushButton* m_addMusic = nullptr;
    QPushButton* m_play = nullptr;
    QLabel* m_musicName = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_timeLabel = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    QFrame* m_previewFrame = nullptr;
    QPushButton* m_left = nullptr;
    QPushButton* m_right = nullptr;
    QLabel* m_pageText = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_fitLabel = nullptr;
    QSizeGrip* m_grip = nullptr;
    QTimer* m_timer = nullptr;
};
