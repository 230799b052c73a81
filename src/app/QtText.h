#pragma once
#include <QString>
#include <cstdint>
#include <string>

// The engine's text (UTF-8) in the interface's strings, and back.
QString QtText(const std::string& text);
std::string EngineText(const QString& text);

// A song time in samples as the views show it (mm:ss.cc); below 0 counts as 0.
QString SongTimeText(int64_t samples);
