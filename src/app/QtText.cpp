#include "app/QtText.h"

#include "text/Cp1252.h"

QString FromAnsi(const std::string& text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToAnsi(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
}
