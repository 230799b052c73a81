#pragma once
#include <QString>
#include <cstdint>
#include <string>

class QLabel;

// The engine's text (UTF-8) in the interface's strings, and back.
QString QtText(const std::string& text);
std::string EngineText(const QString& text);

// A song time in samples as the views show it (mm:ss.cc); below 0 counts as 0.
QString SongTimeText(int64_t samples);

// "13 of 1,251": a page among a song's pages, the numbers grouped by thousands.
QString PageOfText(int page, int pages);
// Keeps the label wide enough for every "N of pages" text of a song with that many pages.
void FitPageLabel(QLabel& label, int pages);
