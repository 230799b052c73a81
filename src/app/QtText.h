#pragma once
#include <QString>
#include <cstdint>
#include <string>

// Project text is Windows-1252; the interface works in Unicode.
QString FromAnsi(const std::string& text);
std::string ToAnsi(const QString& text);

// A song time in samples as the views show it (mm:ss.cc); below 0 counts as 0.
QString SongTimeText(int64_t samples);
