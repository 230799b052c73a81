#pragma once
#include <QString>
#include <string>

// Project text is Windows-1252; the interface works in Unicode.
QString FromAnsi(const std::string& text);
std::string ToAnsi(const QString& text);
