#pragma once
#include <QDialog>

#include "app/dialogs/SettingsDlgContext.h"

class GraphicPageDialog;
class LyricsPageDialog;
class AppContext;
class KaraokeSong;
class QPushButton;
class QTabWidget;

// "Karaoke Song Settings": the tabs "Title Page", "Lyrics" and "Credits Page" over the song
// record it is given (the working copy of the Settings command), which every control changes
// at once. It opens on "Lyrics", never gets smaller than it first opened, keeps OK and Cancel
// at the lower right and remembers its rectangle ("SettingsWindowPos").
class SongSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTitleTab = 0;
    static constexpr int kLyricsTab = 1;
    static constexpr int kCreditsTab = 2;
    static constexpr int kEdge = 6;

    SongSettingsDialog(KaraokeSong& song, const SettingsDlgContext& context, QWidget* parent = nullptr);
    ~SongSettingsDialog() override;

    QTabWidget* Tabs() const { return m_tabs; }
    GraphicPageDialog* TitlePage() const { return m_title; }
    LyricsPageDialog* LyricsPage() const { return m_lyrics; }
    GraphicPageDialog* CreditsPage() const { return m_credits; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    bool Previewing() const;

    // The Settings command: the engine start-up (which rebuilds the font dictionary), then the
    // dialog on the working copy. True when the user chose OK.
    static bool Run(AppContext& app, KaraokeSong& copy);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetPreviewRunning(bool running);
    void SaveRect();

    KaraokeSong& m_song;
    SettingsDlgContext m_context;
    QTabWidget* m_tabs = nullptr;
    GraphicPageDialog* m_title = nullptr;
    LyricsPageDialog* m_lyrics = nullptr;
    GraphicPageDialog* m_credits = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QSize m_firstSize;
    bool m_placed = false;
    bool m_previewRunning = false;
};
