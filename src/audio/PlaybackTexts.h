#pragma once
#include <cstdint>
#include <string>

// What the playback engine tells the user.
inline constexpr const char* kMsgNoSoundDevice =
    "An audio sound card is not installed in this computer.\n"
    "You will not be able to hear the audio when you play Karaoke CDG or Audio CD files.";
inline constexpr const char* kCaptionNoSoundDevice = "Sound Device Not Detected";
inline constexpr const char* kMsgNoMusic = "There is no music to play: the song has no music file.";

// "The music "<path>" cannot be played: <why>"
std::string MusicUnplayableText(const std::string& path, const std::string& why);
// Why a work file of another sample rate is refused.
std::string SampleRateText(uint32_t sampleRate);
