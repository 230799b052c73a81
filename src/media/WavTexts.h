#pragma once
#include <cstdint>
#include <string>

#include "media/WaveFormat.h"

// Failure texts of the WAV readers and the writer. The readers and the writer keep them for
// their caller; they show nothing themselves.
inline constexpr const char* kMsgWavCorrupt = "Input file is corrupt or not a WAV file";
inline constexpr const char* kMsgWavTooLarge =
    "The WAV file is larger than 4 GB. A WAV file cannot describe more than 4 GB of sound.";
inline constexpr const char* kMsgWavOutTooLarge =
    "The WAV file would grow beyond 4 GB, the most a WAV file can describe. Nothing more was written.";
inline constexpr const char* kMsgWavWriteFailed = "Error : Unable to write the WAV file. The disk may be full.";
inline constexpr const char* kMsgWavReadFailed = "Error : Unable to read the sound data of the WAV file.";
inline constexpr const char* kMsgWavBadFormat =
    "Invalid WAV format: a WAV file needs at least one channel and a sample rate above 0.";

// "Error : Unable to open file "<path>" for reading." (or "for writing.").
std::string WavOpenFailureText(const std::string& path, bool forWriting);
// The sample-size message: only 8- and 16-bit samples are supported.
std::string WavSampleSizeText(uint16_t bits);
// The format tag that the 16-byte subformat GUID of an extensible format stands for, or 0 when
// the GUID is not one of the standard ones.
uint16_t SubFormatTag(const uint8_t* guid);
// The tag that says what the samples are: the subformat's for an extensible format whose
// subformat is known.
uint16_t EffectiveFormatTag(const WaveFormat& format, uint16_t subFormatTag);
// Why a format cannot be read as 8/16-bit integer PCM, or empty when it can.
std::string WavFormatProblem(const WaveFormat& format, uint16_t subFormatTag);
