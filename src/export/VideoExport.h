#pragma once
#include <cstdint>
#include <string>

#include "export/CompressedExport.h"
#include "export/ExportChoices.h"
#include "media/ProgressCallback.h"
#include "media/WorkStatus.h"

class KaraokeSong;
class UserPrompt;

// The progress window's caption while the video is made.
inline constexpr const char* kVideoProgressCaption = "Exporting Video...";


struct VideoExportResult {
    WorkStatus status = WorkStatus::Failed;
    uint32_t durationMs = 0; // the sound's length: lead-in, music and tail
};

// The MP4 export after the dialog and the file chooser: the song's stream and its music work
// file (with the lead-in and tail silence of the MP3+G export) as one video at the chosen
// frame size and rate, titled with the song's title and artist. Failures are told through the
// prompt; a cancel (progress returning false) is not, and leaves no file.
VideoExportResult RunVideoExport(const KaraokeSong& song, const ExportStream& stream, const std::string& path,
                                 const ExportChoices& choices, const ProgressCallback& progress, UserPrompt& prompt);
