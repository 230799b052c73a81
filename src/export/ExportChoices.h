#pragma once

// The export dialog's choices, as the settings keep them (ExportType, ExportZip, ExportLRC,
// ExportLRCFormat, ExportRatioWMA, ExportRatioMP3) with their defaults.
enum class ExportType : int { Bin = 0, WmaG = 1, Mp3G = 2 };
enum class LrcFormat : int { Simple = 0, Enhanced = 1 };

inline constexpr int kDefaultExportKbps = 128;

struct ExportChoices {
    ExportType type = ExportType::Bin;
    bool zip = false;
    bool lrc = false;
    LrcFormat lrcFormat = LrcFormat::Enhanced;
    int wmaKbps = kDefaultExportKbps;
    int mp3Kbps = kDefaultExportKbps;
};
