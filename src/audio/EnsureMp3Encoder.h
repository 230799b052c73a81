#pragma once

class UserPrompt;

// The two notices about the MP3 encoder can each be switched off by the user; the caller keeps
// the choices in its settings ("HideMP3Message", "HideMP3VersionMessage") and passes them in.
// A ticked "don't show again" box sets the matching field.
struct Mp3NoticeSettings {
    bool hideMp3Message = false;
    bool hideMp3VersionMessage = false;
};

inline constexpr const char* kMp3NotFoundCaption = "MP3 Encoder Not Found";
inline constexpr const char* kMp3NotFoundCheck = "&Don't show me this again.";
inline constexpr const char* kMp3VersionCaption = "MP3 Support Not Found";
inline constexpr const char* kMp3VersionCheck = "&Don't show this message again.";

// Makes MP3 encoding available if it can: loads the encoder library (once per run; force looks
// again, for instance after the user installed it) and resolves its entry points. When the
// library is missing or lacks a required entry point, says so through the prompt unless the
// user has asked not to see that notice again. Returns whether MP3 encoding is available.
bool EnsureMp3Encoder(UserPrompt& prompt, Mp3NoticeSettings& notices, bool force = false);

// Whether the library is loaded with every required entry point (asks no one, loads nothing).
bool Mp3EncoderAvailable();
