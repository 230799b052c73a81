#include "app/AppSettings.h"

#include <QDir>
#include <QtEndian>

namespace {
constexpr int kRectBytes = 16;
const QRect kDefaultWindowRect(QPoint(10, 10), QPoint(500 - 1, 523 - 1)); // right/bottom exclusive: 490 x 513
constexpr const char* kRecentGroup = "Recent File List";
}

AppSettings::AppSettings() : m_settings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox") {}

QString AppSettings::Key(const char* group, const char* name)
{
    return QString::fromLatin1(group) + '/' + QString::fromLatin1(name);
}

int AppSettings::Int(const char* group, const char* name, int fallback) const
{
    bool ok = false;
    const int v = m_settings.value(Key(group, name)).toInt(&ok);
    return ok ? v : fallback;
}

void AppSettings::SetInt(const char* group, const char* name, int value)
{
    m_settings.setValue(Key(group, name), value);
}

QString AppSettings::String(const char* group, const char* name, const QString& fallback) const
{
    const QVariant v = m_settings.value(Key(group, name));
    return v.isValid() ? v.toString() : fallback;
}

void AppSettings::SetString(const char* group, const char* name, const QString& value)
{
    m_settings.setValue(Key(group, name), value);
}

QByteArray AppSettings::Bytes(const char* group, const char* name) const
{
    return m_settings.value(Key(group, name)).toByteArray();
}

void AppSettings::SetBytes(const char* group, const char* name, const QByteArray& value)
{
    m_settings.setValue(Key(group, name), value);
}

bool AppSettings::Has(const char* group, const char* name) const
{
    return m_settings.contains(Key(group, name));
}

QRect AppSettings::Rect(const char* group, const char* name) const
{
    const QByteArray b = Bytes(group, name);
    if (b.size() != kRectBytes) return {};
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    const int left = qFromLittleEndian<qint32>(p), top = qFromLittleEndian<qint32>(p + 4);
    const int right = qFromLittleEndian<qint32>(p + 8), bottom = qFromLittleEndian<qint32>(p + 12);
    if (right <= left || bottom <= top) return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void AppSettings::SetRect(const char* group, const char* name, const QRect& rect)
{
    QByteArray b(kRectBytes, 0);
    auto* p = reinterpret_cast<uchar*>(b.data());
    qToLittleEndian<qint32>(rect.left(), p);
    qToLittleEndian<qint32>(rect.top(), p + 4);
    qToLittleEndian<qint32>(rect.right() + 1, p + 8);
    qToLittleEndian<qint32>(rect.bottom() + 1, p + 12);
    SetBytes(group, name, b);
}

QRect AppSettings::WindowRect() const
{
    const QRect rect = Rect(kSettings, "AppWindowRect");
    return rect.isValid() ? rect : kDefaultWindowRect;
}

bool AppSettings::HasWindowRect() const
{
    return Rect(kSettings, "AppWindowRect").isValid();
}

void AppSettings::SetWindowRect(const QRect& rect)
{
    SetRect(kSettings, "AppWindowRect", rect);
}

QString AppSettings::LastVocalTrack() const
{
    const QString file = String(kSettings, kVocalFile);
    if (file.isEmpty()) return {};
    return QDir(String(kSettings, kVocalFolder)).filePath(file);
}

QStringList AppSettings::RecentFiles() const
{
    QStringList files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString f = m_settings.value(QString("%1/File%2").arg(kRecentGroup).arg(i)).toString();
        if (!f.isEmpty()) files << f;
    }
    return files;
}

void AppSettings::AddRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    SetRecentFiles(files);
}

void AppSettings::RemoveRecentFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    SetRecentFiles(files);
}

void AppSettings::ClearRecentFiles()
{
    SetRecentFiles({});
}

void AppSettings::SetRecentFiles(QStringList files)
{
    while (files.size() > kRecentFiles) files.removeLast();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString key = QString("%1/File%2").arg(kRecentGroup).arg(i);
        if (i <= files.size()) m_settings.setValue(key, files[i - 1]);
        else m_settings.remove(key);
    }
}

void AppSettings::Sync()
{
    m_settings.sync();
}
