#pragma once
#include <QString>

class AppSettings;
class SongDocument;
class UserPrompt;

// What the song settings dialog needs from the shell besides the working copy it edits.
struct SettingsDlgContext {
    // The document whose song takes the singer descriptions the descriptions dialog saves, as
    // a step of their own, so that they stay even when the settings are cancelled. Null: the
    // working copy takes them.
    SongDocument* descriptionsDocument = nullptr;
    // Where the picture loader reports an unreadable file, and the dialog asks its questions.
    UserPrompt* prompt = nullptr;
    // The last picture folder ("GraphicsPath"); the picture chooser starts there and moves it.
    QString* graphicsFolder = nullptr;
    // The sheet keeps its rectangle here ("SettingsWindowPos").
    AppSettings* settings = nullptr;
};
