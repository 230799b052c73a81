#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "export/ExportChoices.h"
#include "media/ProgressCallback.h"
#include "media/WorkStatus.h"

class KaraokeSong;
class UserPrompt;

// The progress window's caption while the audio is compressed.
inline constexpr const char* kCompressingAudioCaption = "Compressing Audio...";
inline constexpr const char* kMsgZipCreateFailed = "An unexpected error occurred while creating the ZIP compressed file.";
// printf form: the archive library's error code and the file concerned.
inline constexpr const char* kMsgZipAddFailedFormat =
    "An unexpected error occurred while processing the ZIP compressed file: 0x%08x\n\n%s";

// The stream the export carries: the song's whole stream buffer as the stream writer made it
// (line list built with final text), the lead-in it reported (sample frames of silence in
// front of the music), the silent frames after the music, and the music's length in its data
// bytes as the stream needs it (silence past the file's end; kFileLength: the file as it is).
struct ExportStream {
    std::span<const uint8_t> buffer;
    uint32_t leadIn = 0;
    uint32_t tail = 0;
    uint32_t musicBytes = UINT32_MAX;
};

// For a zipped export the audio, .cdg and LRC paths name the temporary pieces, which are gone
// by the time the export returns; the archive holds them. Otherwise they name the files now in
// place.
struct CompressedExportResult {
    WorkStatus status = WorkStatus::Failed; // Done: every file that was asked for is in place
    std::string audioPath;
    std::string cdgPath;
    std::string lrcPath;   // empty without LRC or when it could not be written
    std::string zipPath;   // empty without zip
    uint32_t durationMs = 0;
};

// The ZIP a zipped export to chosenPath writes: its name with the extension .zip, beside it.
std::string ZipPathFor(const std::string& chosenPath);

// The MP3+G / WMA+G export after the dialog and the file chooser: encodes the song's music work
// file with the lead-in and tail silence, reads the written audio's duration, writes the LRC
// file (when chosen), the .cdg file that lasts as long as the audio, and (when chosen) the ZIP
// of the three beside chosenPath. Zipped exports build their pieces in a private folder under
// tempFolder (the system's temporary folder when empty) and remove it afterwards; a pair is
// written as one set, in place only when every member is complete (an old pair stays whole on
// any failure or cancel). Progress follows the encoding; returning false cancels, which is not
// told. Failures are told through the prompt, naming the file and the system's reason.
CompressedExportResult RunCompressedExport(const KaraokeSong& song, const ExportStream& stream,
                                           const std::string& chosenPath, const ExportChoices& choices,
                                           const ProgressCallback& progress, UserPrompt& prompt,
                                           const std::string& tempFolder = {});
