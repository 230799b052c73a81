#include "app/QtText.h"

#include <algorithm>

#include "text/Cp1252.h"
#include "text/SongTime.h"

QString FromAnsi(const std::string& text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToAnsi(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
}

QString SongTimeText(int64_t samples)
{
    return QString::fromStdString(FormatSongTime(uint32_t(std::clamp<int64_t>(samples, 0, UINT32_MAX))));
}
