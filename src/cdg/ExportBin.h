#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "media/WaveStreamReader.h"

#include "media/ProgressCallback.h"
#include "media/WorkStatus.h"

class UserPrompt;

// Texts of the BIN export. The progress window shows the first caption while it runs and the
// second once the user has cancelled.
inline constexpr const char* kBinProgressCaption = "Exporting project to BIN file...";
inline constexpr const char* kBinCancelledCaption = "Process canceled by user...";
inline constexpr const char* kMsgBinCreateFailed = "Unable to create BIN file.";
inline constexpr const char* kMsgBinWriteFailed =
    "Unable to write the BIN file. The disk may be full; nothing was saved.";
inline constexpr const char* kMsgBinMusicReadFailed =
    "The music could not be read to its end. The BIN file holds the music up to the read error.";
inline constexpr const char* kBinNotAllowedCaption = "BIN not allowed";
inline constexpr const char* kMsgBinNotAllowed =
    "BIN is not allowed because the Audio Sample\nRate is not 44,100 samples per second.\n";
inline constexpr const char* kErrorCaption = "Error";

// Sectors per block write, and the piece of music (13 sectors of audio) read at a time with
// the stream bytes that go with it.
inline constexpr size_t kBinMinBlockSectors = 13;
inline constexpr size_t kBinMaxBlockSectors = 26;
inline constexpr size_t kBinPieceAudioBytes = 30576;
inline constexpr size_t kBinPieceStreamBytes = 1248;

// What the BIN is made of: the music work file (a PCM WAV at 44,100 Hz), the song's whole
// stream buffer, how much of it the stream writer used, and the lead-in (silent sample
// frames in front of the music) that it reported.
struct BinExportSource {
    std::string musicWorkPath;
    std::span<const uint8_t> streamBuffer;
    uint64_t usedLength = 0;
    uint32_t leadIn = 0;
    // The music's length in data bytes as the song has it (longer than the file: silence
    // follows); kFileLength plays the file as it is.
    uint32_t musicDataBytes = kFileLength;
};


struct BinExportResult {
    WorkStatus status = WorkStatus::Failed;
    uint64_t sectors = 0; // sectors in the finished file
};

// Writes the BIN file at binPath: for every 2,448-byte sector, 588 frames of 16-bit stereo
// audio (the lead-in silence, then the music, then silence while the stream goes on) and the
// 96 stream bytes that play with them. 8-bit and mono music is widened to 16-bit stereo.
// Progress gets whole percentages after every piece; returning false cancels. The file
// appears only when complete: a cancelled or failed export leaves no file and an old file of
// that name as it was. Failures are told through the prompt.
BinExportResult ExportBin(const std::string& binPath, const BinExportSource& source, const ProgressCallback& progress,
                          UserPrompt& prompt);
