#include "document/DocumentExport.h"

#include "cdg/WriteCdgFile.h"
#include "cdg/WriteRwMemory.h"
#include "document/ExportSnapshot.h"
#include "document/SongDocument.h"
#include "lyrics/LrcWriter.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace {

// True (the user told why) when the gate lets every file of the export be written.
bool Allowed(const ExportSnapshot& song, const std::string& path, const ExportChoices& choices,
             OutputGate::Existing existing, UserPrompt& prompt)
{
    OutputGate gate(existing);
    song.AddInputsTo(gate);
    const std::string refusal = gate.Refusal(ExportTargets(path, choices));
    if (refusal.empty()) return true;
    prompt.Message(refusal, kErrorCaption, PromptIcon::Stop);
    return false;
}

// The song's whole stream, its lead-in told to whoever asked.
SongStream WriteStream(const ExportSnapshot& song, uint32_t* leadIn)
{
    SongStream stream = WriteRwMemory(song.Song());
    if (leadIn) *leadIn = stream.leadIn;
    return stream;
}

} // namespace

std::vector<std::string> ExportTargets(const std::string& path, const ExportChoices& choices)
{
    const bool pair = choices.type == ExportType::Mp3G || choices.type == ExportType::WmaG;
    if (!pair) return {path};
    if (choices.zip) return {ZipPathFor(path)};
    std::vector<std::string> targets = {path, CdgPathFor(path)};
    if (choices.lrc) targets.push_back(LrcPathFor(path));
    return targets;
}

std::string ExportRefusal(const SongDocument& doc, const std::string& path, const ExportChoices& choices,
                          OutputGate::Existing existing)
{
    OutputGate gate(existing);
    doc.AddInputsTo(gate);
    return gate.Refusal(ExportTargets(path, choices));
}

BinExportResult ExportSongBin(const ExportSnapshot& song, const std::string& path, const ProgressCallback& progress,
                              UserPrompt& prompt, uint32_t* leadIn, OutputGate::Existing existing)
{
    ExportChoices choices;
    choices.type = ExportType::Bin;
    if (!Allowed(song, path, choices, existing, prompt)) return {};
    const std::string target = OutputGate::WriteTarget(path);
    const SongStream stream = WriteStream(song, leadIn);
    return ExportBin(target, {song.Song().MusicWorkPath(), stream.bytes, stream.usedLength, stream.leadIn, stream.musicBytes},
                     progress, prompt);
}

CompressedExportResult ExportSongCompressed(const ExportSnapshot& song, const std::string& path,
                                            const ExportChoices& choices, const ProgressCallback& progress,
                                            UserPrompt& prompt, uint32_t* leadIn, OutputGate::Existing existing)
{
    if (!Allowed(song, path, choices, existing, prompt)) return {};
    const SongStream stream = WriteStream(song, leadIn);
    return RunCompressedExport(song.Song(), {stream.bytes, stream.leadIn, 0, stream.musicBytes},
                               OutputGate::WriteTarget(path), choices, progress, prompt);
}

VideoExportResult ExportSongVideo(const ExportSnapshot& song, const std::string& path, const ExportChoices& choices,
                                  const ProgressCallback& progress, UserPrompt& prompt, uint32_t* leadIn,
                                  OutputGate::Existing existing)
{
    if (!Allowed(song, path, choices, existing, prompt)) return {};
    const SongStream stream = WriteStream(song, leadIn);
    return RunVideoExport(song.Song(), {stream.bytes, stream.leadIn, 0, stream.musicBytes},
                          OutputGate::WriteTarget(path), choices, progress, prompt);
}
