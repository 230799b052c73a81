#pragma once
#include <string>

#include "cdg/ExportBin.h"
#include "export/CompressedExport.h"
#include "export/ExportChoices.h"
#include "export/SongExportStream.h"
#include "export/VideoExport.h"
#include "media/ProgressCallback.h"

class SongDocument;
class UserPrompt;

// The exports of the open song, the same for the window and the command line: the song's whole
// stream is built first (line list with final text, CD+G stream over the music's length), then
// written as a BIN file, as the MP3+G / WMA+G pair (optionally with LRC, optionally zipped) or
// as an MP4 video.
// Both run on whatever thread the caller chooses; the prompt is the one for that thread. The
// stream that was built is left in *built when asked for.
BinExportResult ExportSongBin(SongDocument& doc, const std::string& path, const ProgressCallback& progress,
                              UserPrompt& prompt, SongExportStream* built = nullptr);
CompressedExportResult ExportSongCompressed(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                            const ProgressCallback& progress, UserPrompt& prompt,
                                            SongExportStream* built = nullptr);
VideoExportResult ExportSongVideo(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                  const ProgressCallback& progress, UserPrompt& prompt,
                                  SongExportStream* built = nullptr);
