#pragma once
#include <QDialog>
#include <functional>

#include "lyrics/LrcDocument.h"

class AppContext;
class QLineEdit;
class QListWidget;

// The find-lyrics dialog of "&Import Lyrics": a few lyric searches that open in the browser,
// a search address of the user's own (kept as "CustomLyricsURL"), and "Local File...", which
// imports a lyric file as the song's lyric text and closes the dialog.
class FindLyricsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kHeading = "Choose a lyric website to search:";
    static constexpr const char* kLocalFile = "Local File...";

    FindLyricsDialog(AppContext& app, QWidget* parent);

    // Shows the dialog modally (or hands it to the test hook); saves the custom address.
    int Run();
    // Runs the lyric file chooser and imports the chosen file; true when the lyrics were
    // replaced (the dialog is then accepted).
    bool ImportLocalFile();
    // Opens the chosen search in the browser; false when there is nothing to open.
    bool OpenSearch();
    // The address that OpenSearch would open: "%s" in the address stands for the song's artist
    // and title.
    QString SearchAddress() const;

    bool Imported() const { return m_imported; }
    // The timed lines of an imported LRC file (empty for other kinds).
    const LrcDocument& Lrc() const { return m_lrc; }
    QLineEdit* CustomAddress() const { return m_custom; }
    QListWidget* Sites() const { return m_sites; }

    using Hook = std::function<int(FindLyricsDialog&)>;
    static void SetHookForTesting(Hook hook);
    // Tests see the address instead of a browser opening.
    using Opener = std::function<void(const QString&)>;
    static void SetOpenerForTesting(Opener opener);

private:
    void SaveCustomAddress();

    AppContext& m_app;
    QListWidget* m_sites = nullptr;
    QLineEdit* m_custom = nullptr;
    LrcDocument m_lrc;
    bool m_imported = false;
};
