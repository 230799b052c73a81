#include "export/CompressedExport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "audio/MusicDecoder.h"
#include "audio/EncodeMp3.h"
#include "audio/EncodeWma.h"
#include "audio/EnsureMp3Encoder.h"
#include "audio/LameLibrary.h"
#include "cdg/ExportBin.h"
#include "cdg/WriteCdgFile.h"
#include "export/ZipArchiveWriter.h"
#include "log/MLogQueue.h"
#include "log/MUserActionLog.h"
#include "lyrics/LrcWriter.h"
#include "media/FileSet.h"
#include "media/ScratchFolder.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kExportCompressedAction = 3;
constexpr int64_t kHundredNanosPerMs = 10000;
constexpr const char* kScratchPrefix = "tessavox-export";
constexpr const char* kZipExtension = ".zip";
constexpr const char* kZippableAudio[] = {".mp3", ".wma", ".wav"};

// name with everything after its last "." replaced by ext (ext and a "." added when it has none).
std::string WithExtension(const std::string& name, const std::string& ext)
{
    const size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + ext;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The written audio's length in milliseconds, 0 when it cannot be read.
uint32_t AudioDurationMs(const std::string& path)
{
    MusicDecoder reader;
    MusicTags tags;
    if (!reader.ReadTags(path, tags) || tags.duration <= 0) return 0;
    return uint32_t(std::min<int64_t>(UINT32_MAX, (tags.duration + kHundredNanosPerMs / 2) / kHundredNanosPerMs));
}

bool WriteZip(const std::string& zipPath, const std::vector<std::pair<std::string, std::string>>& entries,
              UserPrompt& prompt)
{
    ZipArchiveWriter zip;
    if (!zip.Create(zipPath)) {
        prompt.Message(std::string(kMsgZipCreateFailed) + "\n\n\"" + zipPath + "\": " + std::strerror(errno) + ".", kAppCaption,
                       PromptIcon::Stop);
        return false;
    }
    for (const auto& [source, name] : entries) {
        const int r = zip.AddFile(source, name);
        if (r != 0) {
            char text[1024];
            std::snprintf(text, sizeof text, kMsgZipAddFailedFormat, unsigned(r), source.c_str());
            prompt.Message(text, kAppCaption, PromptIcon::Stop);
            // An archive without all its files is no export: it is not left behind.
            zip.Abandon();
            return false;
        }
    }
    if (!zip.Close()) {
        prompt.Message(std::string(kMsgZipCreateFailed) + "\n\n\"" + zipPath + "\": " + std::strerror(errno) + ".", kAppCaption,
                       PromptIcon::Stop);
        return false;
    }
    return true;
}

} // namespace

std::string ZipPathFor(const std::string& chosenPath)
{
    const fs::path chosen(chosenPath);
    return (chosen.parent_path() / WithExtension(chosen.filename().string(), kZipExtension + 1)).string();
}

CompressedExportResult RunCompressedExport(const KaraokeSong& song, const ExportStream& stream,
                                           const std::string& chosenPath, const ExportChoices& choices,
                                           const ProgressCallback& progress, UserPrompt& prompt,
                                           const std::string& tempFolder)
{
    CompressedExportResult result;
    const bool mp3 = choices.type == ExportType::Mp3G;
    const std::string ext = mp3 ? "mp3" : "wma";
    if (MLogQueue::LoggingOn())
        MLogQueue::Add(std::make_unique<MUserActionLog>("Export " + ext, kExportCompressedAction), true);
    if (choices.type != ExportType::Mp3G && choices.type != ExportType::WmaG) return result;

    if (mp3 && !Mp3EncoderAvailable()) {
        prompt.Message(std::string("MP3 export is not available: the MP3 encoder library (") + LameLibrary::FileName() +
                           ") is not loaded.\nIt comes with the Debian package " + kLamePackage + ".",
                       kErrorCaption, PromptIcon::Warning);
        return result;
    }

    const fs::path chosen(chosenPath);
    const std::string name = chosen.filename().string();
    // Every member is written away from the user's files first: a zipped export's in a
    // private folder of the temporary folder, a pair's in one beside it, renamed into place
    // together once all are complete. A failure or a cancel leaves the old files as they were.
    ScratchFolder scratch;
    FileSet set;
    const std::string audioTarget = choices.zip ? WithExtension(name, ext) : chosenPath;
    const bool ready = choices.zip ? scratch.Create(tempFolder, kScratchPrefix)
                                   : set.Begin(chosen.has_parent_path() ? chosen.parent_path().string() : ".");
    if (!ready) {
        std::error_code ec;
        const std::string folder = !choices.zip       ? (chosen.has_parent_path() ? chosen.parent_path().string() : ".")
                                   : tempFolder.empty() ? fs::temp_directory_path(ec).string()
                                                        : tempFolder;
        prompt.Message("Unable to create a temporary folder for the export in \"" + folder + "\": " +
                           std::strerror(errno),
                       kErrorCaption, PromptIcon::Warning);
        return result;
    }
    // Where each member is written, and the name the user knows it by.
    const auto member = [&](const std::string& target) {
        return choices.zip ? (scratch.Path() / fs::path(target).filename()).string() : set.MemberPath(target);
    };
    const std::string cdgTarget = CdgPathFor(audioTarget);
    const std::string lrcTarget = LrcPathFor(audioTarget);
    const std::string audioWritten = member(audioTarget);

    AudioEncodeOptions options;
    options.kbps = mp3 ? choices.mp3Kbps : choices.wmaKbps;
    options.title = song.title;
    options.artist = song.artist;
    options.leadInFrames = stream.leadIn;
    options.tailFrames = stream.tail;
    options.musicBytes = stream.musicBytes;
    // A cancel is the user's choice, not a failure of the encoder: it is told apart here.
    bool cancelled = false;
    options.progress = [&progress, &cancelled](int percent) {
        if (!progress || progress(percent)) return true;
        cancelled = true;
        return false;
    };
    options.shownPath = choices.zip ? ZipPathFor(chosenPath) : audioTarget;
    std::string failure;
    const std::string& work = song.MusicWorkPath();
    const bool encoded = mp3 ? EncodeMp3(work, audioWritten, options, &failure)
                             : EncodeWma(work, audioWritten, options, &failure);
    if (!encoded && cancelled) {
        result.status = WorkStatus::Cancelled;
        return result;
    }
    if (!encoded) {
        prompt.Message("Unable to compress the audio file.\n\n" + failure, kErrorCaption, PromptIcon::Warning);
        return result;
    }
    result.durationMs = AudioDurationMs(audioWritten);

    std::string lrcWritten;
    if (choices.lrc) {
        lrcWritten = member(lrcTarget);
        if (!WriteLrcFile(song, lrcWritten, result.durationMs, stream.leadIn, choices.lrcFormat == LrcFormat::Enhanced,
                          choices.lrcWindows1252)) {
            prompt.Message("Unable to create the lyric file \"" + lrcTarget + "\".\n\n" + std::strerror(errno),
                           kErrorCaption, PromptIcon::Warning);
            return result;
        }
    }

    const std::string cdgWritten = member(cdgTarget);
    if (!WriteCdgFile(cdgWritten, stream.buffer, CdgFileLength(result.durationMs, stream.buffer.size()))) {
        prompt.Message("Unable to create the CD+G file \"" + cdgTarget + "\".\n\n" + std::strerror(errno),
                       kErrorCaption, PromptIcon::Warning);
        return result;
    }

    if (choices.zip) {
        const fs::path zipPath = ZipPathFor(chosenPath);
        const std::string base = zipPath.stem().string();
        const std::string audioExt = Lower(fs::path(audioWritten).extension().string());
        std::vector<std::pair<std::string, std::string>> entries;
        if (std::find(std::begin(kZippableAudio), std::end(kZippableAudio), audioExt) != std::end(kZippableAudio)) {
            entries.emplace_back(audioWritten, base + audioExt);
            entries.emplace_back(cdgWritten, base + ".cdg");
            if (!lrcWritten.empty()) entries.emplace_back(lrcWritten, base + ".lrc");
        }
        if (!WriteZip(zipPath.string(), entries, prompt)) return result;
        result.zipPath = zipPath.string();
        // The pieces went into the archive; their own files go with the private folder.
        result.audioPath = audioWritten;
        result.cdgPath = cdgWritten;
        result.lrcPath = lrcWritten;
    } else {
        if (!set.Commit()) {
            const std::string failed = set.FailedTarget().empty() ? audioTarget : set.FailedTarget();
            const std::string what = failed == lrcTarget   ? "Unable to create the lyric file"
                                     : failed == cdgTarget ? "Unable to create the CD+G file"
                                                           : "Unable to compress the audio file";
            prompt.Message(what + (" \"" + failed + "\".\n\n") + std::strerror(errno) +
                               "\nThe files that were there are unchanged.",
                           kErrorCaption, PromptIcon::Warning);
            return result;
        }
        result.audioPath = audioTarget;
        result.cdgPath = cdgTarget;
        if (choices.lrc) result.lrcPath = lrcTarget;
    }
    result.status = WorkStatus::Done;
    return result;
}
