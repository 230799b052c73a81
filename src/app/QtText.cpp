#include "app/QtText.h"

#include <algorithm>

#include "text/Utf8.h"
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
