#pragma once
#include <QString>

class AppSettings;
class KaraokeSong;
class UserPrompt;

// What the song settings dialog needs from the shell besides the working copy it edits.
struct SettingsDlgContext {
    // The song whose singer descriptions the descriptions dialog writes: the open song itself,
    // so that descriptions stay even when the settings are cancelled. Null: the working copy.
    KaraokeSong* descriptionsSong = nullptr;
    // Where the picture loader reports an unreadable file, and the dialog asks its questions.
    UserPrompt* prompt = nullptr;
    // The last picture folder ("GraphicsPath"); the picture chooser starts there and moves it.
    QString* graphicsFolder = nullptr;
    // The sheet keeps its rectangle here ("SettingsWindowPos").
    AppSettings* settings = nullptr;
};
