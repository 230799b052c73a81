#pragma once
#include <QWidget>

#include "app/dialogs/SettingsDlgContext.h"

class CAdvanceSweepSpin;
class CColorButton;
class CColorRadio;
class CPreviewScreen;
class MSongSettings;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QToolButton;
struct IMAGE_STRUCT;

// The "Lyrics" tab: the text style of every lyric page, lines per page and the erase rule, the
// sweep, solo or duet, the singer colours and the picture above the lyrics. Every change goes
// straight into the song's settings and the lyrics page, and the preview shows a sample page.
class CLyricsPageDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMostLines = 6;
    static constexpr int kMostLinesWithPicture = 3;
    static constexpr int kPictureShare = 50;
    static constexpr int kPauseMs = 100;

    CLyricsPageDlg(MSongSettings& song, const SettingsDlgContext& context, QWidget* parent = nullptr);

    IMAGE_STRUCT& Page() { return *m_page; }
    CPreviewScreen* Screen() const { return m_screen; }
    // The range "&Lines:" offers: 2 (3 for a duet) to 6 (3 with a picture).
    int FewestLines() const;
    int MostLines() const;

    void RefreshPreview();
    void Preview();
    bool Previewing() const;
    void StopPreview();

signals:
    void PreviewRunning(bool running);

private:
    void Build();
    void Load();
    // Refills "&Lines:" for the current limits; a value outside them is brought inside and stored.
    void FillLines();
    // Refills "Erase when" with 0 ... (lines - fewest lines), keeping the choice when it still
    // fits, else taking the largest.
    void FillErase();
    void ShowPicture();
    void ShowColours();
    void Changed();
    void SetFlag(int flag, bool on);
    void PickColour(CColorButton* button, int slot, int* index);
    void SetDuet(bool duet);
    void Browse();
    void Remove();

    MSongSettings& m_song;
    IMAGE_STRUCT* m_page;
    SettingsDlgContext m_context;
    bool m_loading = false;

    QComboBox* m_font = nullptr;
    QComboBox* m_size = nullptr;
    QToolButton* m_bold = nullptr;
    QToolButton* m_italic = nullptr;
    QCheckBox* m_shadow = nullptr;
    CColorButton* m_shadowColour = nullptr;
    CColorRadio* m_align[3] = {};
    QComboBox* m_lines = nullptr;
    QComboBox* m_erase = nullptr;
    QRadioButton* m_sweepText = nullptr;
    QRadioButton* m_sweepBackground = nullptr;
    QCheckBox* m_sweepEntireWord = nullptr;
    CAdvanceSweepSpin* m_advance = nullptr;
    QRadioButton* m_solo = nullptr;
    QRadioButton* m_duet = nullptr;
    CColorButton* m_background = nullptr;
    CColorButton* m_border = nullptr;
    CColorButton* m_singer1 = nullptr;
    CColorButton* m_singer2 = nullptr;
    CColorButton* m_both = nullptr;
    CColorButton* m_sweep = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_remove = nullptr;
    QComboBox* m_display = nullptr;
    QComboBox* m_draw = nullptr;
    QPushButton* m_preview = nullptr;
    CPreviewScreen* m_screen = nullptr;
};
