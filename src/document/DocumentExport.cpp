#include "document/DocumentExport.h"

#include "document/SongDocument.h"
#include "project/MSongSettings.h"

BinExportResult ExportSongBin(SongDocument& doc, const std::string& path, const ProgressCallback& progress,
                              UserPrompt& prompt, SongExportStream* built)
{
    MSongSettings& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return ExportBin(path, {song.MusicWorkPath(), song.streamBuffer, stream.usedLength, stream.leadIn, song.MusicPlayBytes()},
                     progress, prompt);
}

CompressedExportResult ExportSongCompressed(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                            const ProgressCallback& progress, UserPrompt& prompt,
                                            SongExportStream* built)
{
    MSongSettings& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return RunCompressedExport(song, {song.streamBuffer, stream.leadIn, stream.tail}, path, choices, progress, prompt);
}

VideoExportResult ExportSongVideo(SongDocument& doc, const std::string& path, const ExportChoices& choices,
                                  const ProgressCallback& progress, UserPrompt& prompt, SongExportStream* built)
{
    MSongSettings& song = doc.Song();
    const SongExportStream stream = doc.BuildStream();
    if (built) *built = stream;
    return RunVideoExport(song, {song.streamBuffer, stream.leadIn, stream.tail}, path, choices, progress, prompt);
}
