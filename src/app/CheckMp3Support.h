#pragma once

class AppSettings;
class UserPrompt;

// Looks for the MP3 encoder at start-up. A missing or incomplete library is explained through
// the prompt (unless the user ticked "don't show again", kept as HideMP3Message and
// HideMP3VersionMessage in the Default group). Returns whether MP3+G export is available; BIN
// and WMA+G export never depend on it. force looks again even if the library was found before.
bool CheckMp3Support(UserPrompt& prompt, AppSettings& settings, bool force = false);
