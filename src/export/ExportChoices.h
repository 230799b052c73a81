#pragma once

// The export dialog's choices, as the settings keep them (ExportType, ExportZip, ExportLRC,
// ExportLRCFormat, ExportRatioWMA, ExportRatioMP3, ExportVideoSize, ExportVideoFps) with their
// defaults.
enum class ExportType : int { Bin = 0, WmaG = 1, Mp3G = 2, Mp4 = 3 };
enum class LrcFormat : int { Simple = 0, Enhanced = 1 };

inline constexpr int kDefaultExportKbps = 128;

// Frame sizes (1280 x 720, 1920 x 1080) and rates the video export offers.
enum class VideoSize : int { Hd720 = 0, Hd1080 = 1 };
inline constexpr int kVideoFrameRates[] = {25, 30, 50, 60};
inline constexpr int kDefaultVideoFps = 30;

struct ExportChoices {
    ExportType type = ExportType::Bin;
    bool zip = false;
    bool lrc = false;
    LrcFormat lrcFormat = LrcFormat::Enhanced;
    // The LRC in Windows-1252 for old players (characters it lacks become "?"); UTF-8 otherwise.
    bool lrcWindows1252 = false;
    int wmaKbps = kDefaultExportKbps;
    int mp3Kbps = kDefaultExportKbps;
    VideoSize videoSize = VideoSize::Hd720;
    int videoFps = kDefaultVideoFps;
};
