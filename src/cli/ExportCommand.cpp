// tessavox-cli export: a project exported as the window's Export Song command does it, as a
// BIN file or an MP3+G / WMA+G pair, optionally with an LRC file and zipped.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "audio/EnsureMp3Encoder.h"
#include "audio/MusicImport.h"
#include "cdg/ExportBin.h"
#include "cli/CliCommands.h"
#include "cli/ProgressLine.h"
#include "cli/StderrUserPrompt.h"
#include "export/CompressedExport.h"
#include "export/SongExportStream.h"
#include "project/MSongSettings.h"
#include "text/Cp1252.h"

namespace {

constexpr const char* kUsage =
    "usage: tessavox-cli export SONG.tvx -o PATH [--type bin|mp3g|wmag] [--bitrate K] [--zip]\n"
    "                           [--lrc simple|enhanced] [--music WORK.wav] [--title T] [--artist A]\n"
    "Without --type the output's extension chooses (.bin, .mp3, .wma; .zip zips MP3+G, or WMA+G when\n"
    "the MP3 encoder is missing). --zip packs the audio, the .cdg and the LRC file into PATH. --music\n"
    "plays from another work file than the project's. Ctrl+C cancels; nothing half-written is left.\n";

std::atomic<bool> g_cancelled{false};

void OnInterrupt(int)
{
    g_cancelled.store(true);
}

int Usage(const std::string& why)
{
    std::fprintf(stderr, "export: %s\n%s", why.c_str(), kUsage);
    return 2;
}

int Failure(const std::string& why)
{
    std::fprintf(stderr, "export: %s\n", why.c_str());
    return 1;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

int RunExportCommand(const CliArgs& args)
{
    std::string project, output, type, lrc, music;
    std::string title, artist;
    bool haveTitle = false, haveArtist = false, zip = false;
    int kbps = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--zip") {
            zip = true;
        } else if (a == "-o" || a == "--type" || a == "--kbps" || a == "--bitrate" || a == "--lrc" || a == "--title" ||
                   a == "--artist" || a == "--music") {
            if (i + 1 >= args.size()) return Usage(a + " needs a value");
            const std::string& v = args[++i];
            if (a == "-o") output = v;
            else if (a == "--type") type = Lower(v);
            else if (a == "--lrc") lrc = Lower(v);
            else if (a == "--title") title = Utf8ToCp1252(v), haveTitle = true;
            else if (a == "--artist") artist = Utf8ToCp1252(v), haveArtist = true;
            else if (a == "--music") music = v;
            else if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos)
                return Usage(a + " takes a bit rate such as 128");
            else kbps = std::stoi(v);
        } else if (!a.empty() && a[0] != '-' && project.empty()) {
            project = a;
        } else {
            return Usage("unexpected argument \"" + a + "\"");
        }
    }
    if (project.empty() || output.empty()) return Usage("a project and -o are needed");
    if (!lrc.empty() && lrc != "simple" && lrc != "enhanced") return Usage("--lrc is simple or enhanced");
    if (type == "mp3g") type = "mp3";
    if (type == "wmag") type = "wma";
    if (!type.empty() && type != "mp3" && type != "wma" && type != "bin") return Usage("--type is bin, mp3g or wmag");

    std::string ext = Lower(std::filesystem::path(output).extension().string());
    // An explicit type decides over the extension.
    if (type == "bin") ext = ".bin";
    else if (zip) ext = ".zip";
    else if (type == "mp3") ext = ".mp3";
    else if (type == "wma") ext = ".wma";
    ExportChoices choices;
    choices.lrc = !lrc.empty();
    choices.lrcFormat = lrc == "simple" ? LrcFormat::Simple : LrcFormat::Enhanced;
    StderrUserPrompt prompt;
    if (ext == ".bin") {
        choices.type = ExportType::Bin;
    } else if (ext == ".mp3" || (ext == ".zip" && type != "wma")) {
        Mp3NoticeSettings notices{true, true};
        choices.type = EnsureMp3Encoder(prompt, notices) || ext == ".mp3" ? ExportType::Mp3G : ExportType::WmaG;
        if (choices.type == ExportType::Mp3G && !Mp3EncoderAvailable())
            return Failure("MP3 export needs the LAME library (Debian package libmp3lame0)");
    } else if (ext == ".wma" || ext == ".zip") {
        choices.type = ExportType::WmaG;
    } else {
        return Usage("the output must end in .bin, .mp3, .wma or .zip");
    }
    choices.zip = ext == ".zip";
    if (kbps > 0) (choices.type == ExportType::Mp3G ? choices.mp3Kbps : choices.wmaKbps) = kbps;

    MSongSettings song(project);
    song.prompt = &prompt;
    if (!song.Load()) return 1;
    if (haveTitle) song.title = title;
    if (haveArtist) song.artist = artist;
    if (!music.empty()) song.musicPath = music;
    if (song.musicPath.empty()) return Failure("the project has no music");

    // The music as the window's Open loads it: a WAV in place, anything else decoded.
    MusicImport import;
    if (!import.ImportMusic(song.musicPath)) return Failure("the music: " + import.Result().errorText);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    song.UseImportedMusic(import.Result());
    if (choices.type == ExportType::Bin && import.Result().sampleRate != 44100)
        return Failure("BIN is not allowed because the Audio Sample Rate is not 44,100 samples per second.");

    const SongExportStream stream = PrepareSongExportStream(song);
    if (choices.type == ExportType::Bin) {
        ProgressLine progress(kBinProgressCaption);
        const BinExportResult r =
            ExportBin(output, {song.MusicWorkPath(), song.streamBuffer, stream.usedLength, stream.leadIn,
                               song.MusicPlayBytes()},
                      [&progress](int p) { return progress(p) && !g_cancelled.load(); }, prompt);
        if (r.status == BinExportStatus::Cancelled) return Failure("cancelled; no file was written");
        if (r.status != BinExportStatus::Done) return 1;
        std::printf("%s: %llu sectors, lead-in %.2f s\n", output.c_str(), (unsigned long long)r.sectors,
                    stream.leadIn / 44100.0);
        return 0;
    }
    ProgressLine progress(kCompressingAudioCaption);
    const CompressedExportResult r =
        RunCompressedExport(song, {song.streamBuffer, stream.leadIn, stream.tail}, output, choices,
                            [&progress](int p) { return progress(p) && !g_cancelled.load(); }, prompt);
    if (g_cancelled.load()) return Failure("cancelled");
    if (!r.ok) return 1;
    if (choices.zip) std::printf("%s\n", r.zipPath.c_str());
    else std::printf("%s\n%s\n%s", r.audioPath.c_str(), r.cdgPath.c_str(), r.lrcPath.empty() ? "" : (r.lrcPath + "\n").c_str());
    std::printf("audio %.2f s, lead-in %.2f s\n", r.durationMs / 1000.0, stream.leadIn / 44100.0);
    return 0;
}
