#include "export/VideoExport.h"

#include <memory>

#include "export/EncodeMp4.h"
#include "log/MLogQueue.h"
#include "log/MUserActionLog.h"
#include "cdg/ExportBin.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kExportVideoAction = 3;

} // namespace

VideoExportResult RunVideoExport(const KaraokeSong& song, const ExportStream& stream, const std::string& path,
                                 const ExportChoices& choices, const ProgressCallback& progress, UserPrompt& prompt)
{
    VideoExportResult result;
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>("Export mp4", kExportVideoAction), true);

    Mp4EncodeOptions options;
    options.size = choices.videoSize;
    options.fps = choices.videoFps;
    options.audio.kbps = kVideoAudioKbps;
    options.audio.title = song.title;
    options.audio.artist = song.artist;
    options.audio.leadInFrames = stream.leadIn;
    options.audio.tailFrames = stream.tail;
    options.audio.musicBytes = stream.musicBytes;
    options.audio.progress = progress;
    std::string failure;
    bool cancelled = false;
    if (!EncodeMp4(stream.buffer, song.MusicWorkPath(), path, options, &failure, &cancelled, &result.durationMs)) {
        if (cancelled) {
            result.status = WorkStatus::Cancelled;
            return result;
        }
        prompt.Message("Unable to create the video file.\n\n" + failure, kErrorCaption, PromptIcon::Warning);
        return result;
    }
    result.status = WorkStatus::Done;
    return result;
}
