#include "document/DocumentExport.h"

#include "cdg/WriteCdgFile.h"
#include "document/SongDocument.h"
#include "lyrics/LrcWriter.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace {

// True (the user told why) when the gate lets every file of the export be written.
bool Allowed(const SongDocument& doc, const std::string& path, const ExportChoices& choices,
             OutputGate::Existing existing, UserPrompt& prompt)
{
    const std::string refusal = ExportRefusal(doc, path, choices, existing);
    if (refusal.empty()) return true;
    prompt.Message(refusal, kErrorCaption, PromptIcon::Stop);
    return false;
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

BinExportResult ExportSongBin(SongDocument& doc, const std::string& path, const ProgressCallback& progress,
                              UserPrompt& prompt, SongExportStream* built, OutputGate::Existing existing)
{
    ExportChoices choices;
    choices.type = ExportType::Bin;
    if (!Allowed(doc, path, choices, existing, prompt)) return {};
    const std::string target = OutputGate::WriteTarget(path);
    const KaraokeSong& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return ExportBin(target, {song.MusicWorkPath(), song.streamBuffer, stream.usedLength, stream.leadIn, song.MusicPlayBytes()},
                     progress, prompt);
}

CompressedExportResult ExportSongCompressed(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                            const ProgressCallback& progress, UserPrompt& prompt,
                                            SongExportStream* built, OutputGate::Existing existing)
{
    if (!Allowed(doc, path, choices, existing, prompt)) return {};
    const KaraokeSong& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return RunCompressedExport(song, {song.streamBuffer, stream.leadIn, stream.tail}, OutputGate::WriteTarget(path), choices,
                               progress, prompt);
}

VideoExportResult ExportSongVideo(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                  const ProgressCallback& progress, UserPrompt& prompt, SongExportStream* built,
                                  OutputGate::Existing existing)
{
    if (!Allowed(doc, path, choices, existing, prompt)) return {};
    const KaraokeSong& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return RunVideoExport(song, {song.streamBuffer, stream.leadIn, stream.tail}, OutputGate::WriteTarget(path), choices,
                          progress, prompt);
}
