#pragma once
#include <QDialog>
#include <QStringList>
#include <string>

#include "export/ExportChoices.h"

class AppSettings;
class CBalloonTip;
class KaraokeSong;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Export Song File": the kind of export (BIN, WMA+G, MP3+G, MP4) and its options, remembered in the
// settings, and the song's artist and title, which can be corrected here.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Sample rate the BIN type needs.
    static constexpr int kBinSampleRate = 44100;

    // The "Compression ratio:" entries of a type, highest first; none for BIN.
    static QStringList RatioEntries(ExportType type);
    // An entry's bit rate: its leading number.
    static int EntryKbps(const QString& entry);
    // Index of the entry to select for a wanted bit rate: the lowest rate that is at least
    // kbps, or the first (highest) entry when none reaches it.
    static int NearestEntry(const QStringList& entries, int kbps);

    // mp3Support: whether the MP3 encoder was found; sampleRate: the loaded music's rate.
    ExportDialog(QWidget* parent, AppSettings& settings, const KaraokeSong& song, bool mp3Support, int sampleRate);

    // What "&Export" decided (the settings hold the same values).
    ExportChoices Choices() const;
    // The artist and title "&Export" took from the fields, for the caller to give the song.
    const std::string& Artist() const { return m_chosenArtist; }
    const std::string& Title() const { return m_chosenTitle; }

    // The controls, for tests and for the keyboard-free parts of the flow.
    QRadioButton* TypeButton(ExportType type) const;
    QComboBox* RatioList() const { return m_ratio; }
    QComboBox* VideoSizeList() const { return m_videoSize; }
    QComboBox* VideoFpsList() const { return m_videoFps; }
    QCheckBox* LrcBox() const { return m_lrc; }
    QCheckBox* LrcWindows1252Box() const { return m_lrcWindows1252; }
    QRadioButton* SimpleButton() const { return m_simple; }
    QRadioButton* EnhancedButton() const { return m_enhanced; }
    QCheckBox* ZipBox() const { return m_zip; }
    QLineEdit* ArtistField() const { return m_artist; }
    QLineEdit* TitleField() const { return m_title; }
    QPushButton* ExportButton() const { return m_export; }
    // The tip last shown ("BIN not allowed", "Ratio"), or nullptr.
    CBalloonTip* Tip() const { return m_tip; }

public slots:
    // "&Export": checks the ratio, takes the artist and title, stores the choices.
    void accept() override;

private:
    void ReadSettings();
    void WriteSettings();
    void ShowChoices();
    void OnTypeChange();
    void UpdateEnabling();
    ExportType CheckedType() const;
    void SetCheckedType(ExportType type);
    int& StoredKbps(ExportType type);
    static bool Compressed(ExportType type) { return type == ExportType::WmaG || type == ExportType::Mp3G; }
    bool BinAllowed() const { return m_sampleRate == kBinSampleRate; }
    void ShowTip(QWidget* anchor, const char* title, const char* text);

    AppSettings& m_settings;
    const KaraokeSong& m_song;
    std::string m_chosenArtist;
    std::string m_chosenTitle;
    int m_sampleRate;

    ExportChoices m_choices;
    // The type shown before the last type change; its list is the one on screen.
    ExportType m_previousType = ExportType::Bin;

    QButtonGroup* m_types = nullptr;
    QLabel* m_ratioLabel = nullptr;
    QComboBox* m_ratio = nullptr;
    QLabel* m_videoSizeLabel = nullptr;
    QComboBox* m_videoSize = nullptr;
    QLabel* m_videoFpsLabel = nullptr;
    QComboBox* m_videoFps = nullptr;
    QCheckBox* m_lrc = nullptr;
    QCheckBox* m_lrcWindows1252 = nullptr;
    QRadioButton* m_simple = nullptr;
    QRadioButton* m_enhanced = nullptr;
    QCheckBox* m_zip = nullptr;
    QLineEdit* m_artist = nullptr;
    QLineEdit* m_title = nullptr;
    QPushButton* m_export = nullptr;
    CBalloonTip* m_tip = nullptr;
};
