#pragma once
#include <QByteArray>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

// The per-user settings, kept in an INI file (organisation "Kelvane", application "Tessavox")
// with the groups and value names the program has always used.
class AppSettings {
public:
    static constexpr const char* kSettings = "Settings";
    static constexpr const char* kDefault = "Default";
    static constexpr int kAutoSaveOn = 8;
    static constexpr int kRecentFiles = 4;
    // The vocal track Auto-Time was last given: its folder and file name (empty: the song's
    // music was used), in the Settings group.
    static constexpr const char* kVocalFolder = "VocalPath";
    static constexpr const char* kVocalFile = "VocalFile";
    // Edit > Snap Taps to the Singing (0 or 1, off unless set).
    static constexpr const char* kSnapTaps = "SnapTapsToSinging";

    AppSettings();

    int Int(const char* group, const char* name, int fallback) const;
    void SetInt(const char* group, const char* name, int value);
    QString String(const char* group, const char* name, const QString& fallback = {}) const;
    void SetString(const char* group, const char* name, const QString& value);
    QByteArray Bytes(const char* group, const char* name) const;
    void SetBytes(const char* group, const char* name, const QByteArray& value);
    bool Has(const char* group, const char* name) const;

    // A window rectangle kept as 16 bytes: four little-endian 32-bit ints left, top, right,
    // bottom. An absent or malformed value reads as an invalid rectangle.
    QRect Rect(const char* group, const char* name) const;
    void SetRect(const char* group, const char* name, const QRect& rect);

    // The main window's normal rectangle as four little-endian 32-bit ints (left, top, right,
    // bottom); the default is 10, 10, 500, 523.
    QRect WindowRect() const;
    // Whether a window placement was saved (WindowRect gives the default otherwise).
    bool HasWindowRect() const;
    void SetWindowRect(const QRect& rect);

    // The recent-file list ("Recent File List", File1 ... File4), newest first.
    QStringList RecentFiles() const;
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void ClearRecentFiles();

    // The vocal track Auto-Time was last given, empty when the song's music was used.
    QString LastVocalTrack() const;

    void Sync();
    QString FileName() const { return m_settings.fileName(); }

private:
    void SetRecentFiles(QStringList files);
    static QString Key(const char* group, const char* name);
    mutable QSettings m_settings;
};
