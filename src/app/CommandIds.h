#pragma once

// Command numbers of the menu and the mode buttons, kept from the program's resources so that
// tests and the views name commands the same way.
namespace CommandId {
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileClose = 57602;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 32778;
inline constexpr int AutoSave = 32795;
inline constexpr int ExportSong = 32779;
inline constexpr int Exit = 32780;
inline constexpr int EditCut = 57635;
inline constexpr int EditCopy = 57634;
inline constexpr int EditPaste = 57637;
inline constexpr int EditSelectAll = 32781;
inline constexpr int EditUndo = 57643;
inline constexpr int EditRedo = 57644;
inline constexpr int Settings = 32782;
inline constexpr int Pellamar = 32792;
inline constexpr int BuySongs = 32800;
inline constexpr int CheckForUpdates = 32784;
inline constexpr int OnlineSupport = 32791;
inline constexpr int Community = 32794;
inline constexpr int Facebook = 32793;
inline constexpr int Affiliate = 32797;
inline constexpr int About = 32785;
inline constexpr int Manual = 32783;
inline constexpr int ModeEditLyrics = 32786;
inline constexpr int ModePlaceLyrics = 32787;
inline constexpr int ModeAdjustLyrics = 32789;
inline constexpr int ModePlayFinal = 32788;
inline constexpr int ViewWaveform = 32801;
inline constexpr int AutoTime = 32802;
} // namespace CommandId

// Captions a command has both in the menu and as a button of a view.
namespace CommandText {
inline constexpr const char* AutoTime = "Auto-T&ime...";
} // namespace CommandText

// The four working views.
namespace ViewId {
inline constexpr int EditLyrics = 1;
inline constexpr int PlaceLyrics = 2;
inline constexpr int AdjustLyrics = 3;
inline constexpr int PlayFinal = 4;
} // namespace ViewId
