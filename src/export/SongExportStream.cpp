#include "export/SongExportStream.h"

#include "cdg/WriteRwMemory.h"
#include "log/MLineListLog.h"
#include "project/MSongSettings.h"

SongExportStream PrepareSongExportStream(MSongSettings& song)
{
    SongExportStream stream;
    song.GenerateKaraokeLineList(true, true);
    MLineListLog::Rebuilt(song);
    stream.leadIn = WriteRwMemory(song, stream.usedLength, kWriteWholeSong);
    return stream;
}
