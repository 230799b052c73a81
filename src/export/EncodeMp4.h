#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioEncodeOptions.h"
#include "export/ExportChoices.h"
#include "export/VideoFrame.h"

inline constexpr int kVideoAudioKbps = 192;

struct Mp4EncodeOptions {
    // Title, artist, lead-in, tail, music length and progress as for the compressed audio
    // exports; the bit rate is kVideoAudioKbps whatever kbps says.
    AudioEncodeOptions audio;
    VideoSize size = VideoSize::Hd720;
    int fps = kDefaultVideoFps;
    // Encoders that take a run of the picture each, side by side; 0 for one per core (at most
    // four at 720p, two at 1080p), none with less than ten seconds.
    int pictureEncoders = 0;
};

// The first frame of each run of a video of frameCount frames, for encoders (as
// Mp4EncodeOptions::pictureEncoders says, for pictures of that size) that take a run each.
std::vector<uint64_t> VideoRunStarts(uint64_t frameCount, int fps, int encoders, VideoSize size);

// Encodes a CD+G stream and the music behind it as an MP4 file: H.264 video of the screen as
// the player shows it at each frame time (the packets before t x 300, scaled with
// nearest-neighbour, on the border colour), AAC audio of the lead-in silence, the music
// (PCM WAV or raw 44,100 Hz 16-bit stereo) and the tail, with the index at the front of the
// file. The video lasts as long as the audio, rounded up to a whole frame. Progress follows
// the frames. The file appears only when complete: on failure or cancel nothing is left and an
// old file stays as it was. On failure *failure says why; *cancelled tells a cancel apart.
// On success *durationMs is the sound's length.
bool EncodeMp4(std::span<const uint8_t> stream, const std::string& musicPath, const std::string& destination,
               const Mp4EncodeOptions& options, std::string* failure = nullptr, bool* cancelled = nullptr,
               uint32_t* durationMs = nullptr);
