#include "export/CompressedExport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "audio/CAudioPlay.h"
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
#include "media/ScratchFolder.h"
#include "project/MSongSettings.h"
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
    CAudioPlay reader;
    MusicTags tags;
    if (!reader.ReadTags(path, tags) || tags.duration <= 0) return 0;
    return uint32_t(std::min<int64_t>(UINT32_MAX, (tags.duration + kHundredNanosPerMs / 2) / kHundredNanosPerMs));
}

bool WriteZip(const std::string& zipPath, const std::vector<std::pair<std::string, std::string>>& entries,
              UserPrompt& prompt)
{
    ZipArchiveWriter zip;
    if (!zip.Create(zipPath)) {
        prompt.Message(kMsgZipCreateFailed, kAppCaption, PromptIcon::Stop);
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
        prompt.Message(kMsgZipCreateFailed, kAppCaption, PromptIcon::Stop);
        return false;
    }
    return true;
}

} // namespace

CompressedExportResult RunCompressedExport(const MSongSettings& song, const ExportStream& stream,
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
    ScratchFolder scratch;
    if (choices.zip) {
        if (!scratch.Create(tempFolder, kScratchPrefix)) {
            prompt.Message("Unable to create a temporary folder for the export.", kErrorCaption, PromptIcon::Warning);
            return result;
        }
        result.audioPath = (scratch.Path() / WithExtension(name, ext)).string();
    } else {
        result.audioPath = chosenPath;
    }

    AudioEncodeOptions options;
    options.kbps = mp3 ? choices.mp3Kbps : choices.wmaKbps;
    options.title = song.title;
    options.artist = song.artist;
    options.leadInFrames = stream.leadIn;
    options.tailFrames = stream.tail;
    options.musicBytes = song.MusicPlayBytes();
    options.progress = progress;
    if (choices.zip) options.shownPath = (chosen.parent_path() / WithExtension(name, kZipExtension + 1)).string();
    std::string failure;
    const std::string& work = song.MusicWorkPath();
    const bool encoded = mp3 ? EncodeMp3(work, result.audioPath, options, &failure)
                             : EncodeWma(work, result.audioPath, options, &failure);
    if (!encoded) {
        prompt.Message("Unable to compress the audio file.\n\n" + failure, kErrorCaption, PromptIcon::Warning);
        return result;
    }
    result.durationMs = AudioDurationMs(result.audioPath);

    bool allWritten = true;
    if (choices.lrc) {
        const std::string lrcPath = LrcPathFor(result.audioPath);
        if (WriteLrcFile(song, lrcPath, result.durationMs, stream.leadIn, choices.lrcFormat == LrcFormat::Enhanced)) {
            result.lrcPath = lrcPath;
        } else {
            prompt.Message("Unable to create the lyric file \"" + lrcPath + "\".", kErrorCaption, PromptIcon::Warning);
            allWritten = false;
        }
    }

    const std::string cdgPath = CdgPathFor(result.audioPath);
    if (!WriteCdgFile(cdgPath, stream.buffer, CdgFileLength(result.durationMs, stream.buffer.size()))) {
        prompt.Message("Unable to create the CD+G file \"" + cdgPath + "\".", kErrorCaption, PromptIcon::Warning);
        return result;
    }
    result.cdgPath = cdgPath;

    if (choices.zip) {
        const fs::path zipPath = chosen.parent_path() / WithExtension(name, kZipExtension + 1);
        const std::string base = zipPath.stem().string();
        const std::string audioExt = Lower(fs::path(result.audioPath).extension().string());
        std::vector<std::pair<std::string, std::string>> entries;
        if (std::find(std::begin(kZippableAudio), std::end(kZippableAudio), audioExt) != std::end(kZippableAudio)) {
            entries.emplace_back(result.audioPath, base + audioExt);
            entries.emplace_back(result.cdgPath, base + ".cdg");
            if (!result.lrcPath.empty()) entries.emplace_back(result.lrcPath, base + ".lrc");
        }
        if (!WriteZip(zipPath.string(), entries, prompt)) return result;
        result.zipPath = zipPath.string();
    }
    result.ok = allWritten;
    return result;
}
