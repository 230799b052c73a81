#include "export/SongExportStream.h"

#include "cdg/WriteRwMemory.h"
#include "log/MLineListLog.h"
#include "project/KaraokeSong.h"

SongExportStream PrepareSongExportStream(KaraokeSong& song)
{
    SongExportStream stream;
    song.GenerateKaraokeLineList(true, true);
    MLineListLog::Rebuilt(song);
    stream.leadIn = WriteRwMemory(song, stream.usedLength, kWriteWholeSong);
    return stream;
}
