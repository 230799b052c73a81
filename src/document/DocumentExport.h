#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cdg/ExportBin.h"
#include "document/OutputGate.h"
#include "export/CompressedExport.h"
#include "export/ExportChoices.h"
#include "export/VideoExport.h"
#include "media/ProgressCallback.h"

class ExportSnapshot;
class SongDocument;
class UserPrompt;

// What both front ends say when the user stopped an export (Cancel, Ctrl+C or a signal): a
// cancelled export leaves no file of its own and any old file of that name as it was.
inline constexpr const char* kExportCancelledText = "Export cancelled; no file was written.";

// The exports of the open song, the same for the window and the command line: both take an
// ExportSnapshot of the document (the song with its line list built with final text), the
// song's whole stream is written from it, then written as a BIN file, as the MP3+G / WMA+G
// pair (optionally with LRC, optionally zipped) or as an MP4 video.
// Every file an export writes passes the output gate first: one of the song's own inputs is
// refused (told through the prompt, nothing written), and so is an existing file when existing
// says so. They run on whatever thread the caller chooses and touch nothing but the snapshot;
// the prompt is the one for that thread. The stream's lead-in is left in *leadIn when asked for.
BinExportResult ExportSongBin(const ExportSnapshot& song, const std::string& path, const ProgressCallback& progress,
                              UserPrompt& prompt, uint32_t* leadIn = nullptr,
                              OutputGate::Existing existing = OutputGate::Existing::Replace);
CompressedExportResult ExportSongCompressed(const ExportSnapshot& song, const std::string& path,
                                            const ExportChoices& choices, const ProgressCallback& progress,
                                            UserPrompt& prompt, uint32_t* leadIn = nullptr,
                                            OutputGate::Existing existing = OutputGate::Existing::Replace);
VideoExportResult ExportSongVideo(const ExportSnapshot& song, const std::string& path, const ExportChoices& choices,
                                  const ProgressCallback& progress, UserPrompt& prompt, uint32_t* leadIn = nullptr,
                                  OutputGate::Existing existing = OutputGate::Existing::Replace);

// The files an export to path with these choices writes: the BIN or MP4 file, the ZIP, or the
// audio with its .cdg and (when chosen) LRC file.
std::vector<std::string> ExportTargets(const std::string& path, const ExportChoices& choices);
// Why the song's export to path may not be written, naming the file (empty when it may).
std::string ExportRefusal(const SongDocument& doc, const std::string& path, const ExportChoices& choices,
                          OutputGate::Existing existing);
