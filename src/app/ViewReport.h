#pragma once
#include <QString>

// Scripts that drive the window on a virtual display name a file in this variable and read
// what the window shows from it, a line each: the waveform strip where it stands, Adjust
// Lyrics the selected word's times, and every message box its caption and text.
inline constexpr const char* kViewReportVariable = "TESSAVOX_WAVEFORM_REPORT";

// Appends line (ending in a line feed) to the report; nothing when no report was asked for.
void AppendViewReport(const QString& line);
