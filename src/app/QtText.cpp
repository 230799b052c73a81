#include "app/QtText.h"

#include <QLabel>
#include <algorithm>

#include "text/Utf8.h"
#include "text/NumberText.h"
#include "text/SongTime.h"

QString QtText(const std::string& text)
{
    return QString::fromStdString(ToValidUtf8(text));
}

std::string EngineText(const QString& text)
{
    return text.toStdString();
}

QString SongTimeText(int64_t samples)
{
    return QString::fromStdString(FormatSongTime(uint32_t(std::clamp<int64_t>(samples, 0, UINT32_MAX))));
}

QString PageOfText(int page, int pages)
{
    return QString("%1 of %2").arg(QString::fromStdString(Thousands(page)), QString::fromStdString(Thousands(pages)));
}

void FitPageLabel(QLabel& label, int pages)
{
    // Every digit as wide as the widest, so that no page of the song needs more room.
    QString widest = PageOfText(std::max(pages, 99), std::max(pages, 99));
    for (QChar& c : widest)
        if (c.isDigit()) c = '8';
    const int width = label.fontMetrics().horizontalAdvance(widest + ' ');
    if (label.minimumWidth() != width) label.setMinimumWidth(width);
}
