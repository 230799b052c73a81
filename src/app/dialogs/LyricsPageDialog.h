#pragma once
#include "app/dialogs/SettingsPageTab.h"

class CAdvanceSweepSpin;
class CColorButton;
class QCheckBox;
class QComboBox;
class QRadioButton;

// The "Lyrics" tab: the text style of every lyric page, lines per page and the erase rule, the
// sweep, solo or duet, the singer guidance, the singer colours and the picture above the lyrics. Every change goes
// straight into the song's settings and the lyrics page, and the preview shows a sample page.
class LyricsPageDialog : public SettingsPageTab {
    Q_OBJECT
public:
    static constexpr int kMostLines = 6;
    static constexpr int kMostLinesWithPicture = 3;
    static constexpr int kPictureShare = 50;
    static constexpr int kPauseMs = 100;

    LyricsPageDialog(KaraokeSong& song, const SettingsDlgContext& context, QWidget* parent = nullptr);

    // The range "&Lines:" offers: 2 (3 for a duet) to 6 (3 with a picture).
    int FewestLines() const;
    int MostLines() const;

protected:
    // The sample page, with kPauseMs of stillness before and after.
    size_t WritePreview(CdgPacketGenerator& generator) override;
    int PreviewPauseMs() const override { return kPauseMs; }
    void DrawStill() override;
    void ShowPicture() override;
    void Browse() override;
    void Remove() override;

private:
    void Build();
    void Load();
    // Refills "&Lines:" for the current limits; a value outside them is brought inside and stored.
    void FillLines();
    // Refills "Erase when" with 0 ... (lines - fewest lines), keeping the choice when it still
    // fits, else taking the largest.
    void FillErase();
    void ShowColours();
    void SetDuet(bool duet);

    QComboBox* m_lines = nullptr;
    QComboBox* m_erase = nullptr;
    QRadioButton* m_sweepText = nullptr;
    QRadioButton* m_sweepBackground = nullptr;
    QCheckBox* m_sweepEntireWord = nullptr;
    CAdvanceSweepSpin* m_advance = nullptr;
    QRadioButton* m_solo = nullptr;
    QRadioButton* m_duet = nullptr;
    CColorButton* m_singer1 = nullptr;
    CColorButton* m_singer2 = nullptr;
    CColorButton* m_both = nullptr;
    CColorButton* m_sweep = nullptr;
};
