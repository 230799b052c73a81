// tessavox-cli export: a project exported as the window's Export Song command does it, as a
// BIN file, an MP3+G / WMA+G pair (optionally with an LRC file and zipped) or an MP4 video.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "audio/EncodeMp3.h"
#include "audio/EncodeWma.h"
#include "audio/EnsureMp3Encoder.h"
#include "audio/LameLibrary.h"
#include "cdg/ExportBin.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliGuidance.h"
#include "cli/CliOptions.h"
#include "document/OutputGate.h"
#include "cli/CliProject.h"
#include "cli/CliText.h"
#include "cli/LineFitReport.h"
#include "cli/ProgressLine.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "export/CompressedExport.h"
#include "document/DocumentExport.h"
#include "document/ExportSnapshot.h"
#include "document/SongDocument.h"
#include "export/EncodeMp4.h"
#include "export/VideoExport.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli export SONG.tvx -o PATH [--type bin|mp3g|wmag|mp4] [--bitrate K] [--zip]\n"
    "                           [--lrc simple|enhanced] [--lrc-encoding utf-8|windows-1252]\n"
    "                           [--size 720p|1080p] [--fps 25|30|50|60]\n"
    "                           [--music WORK.wav] [--title T] [--artist A] [--force] [--allow-untimed]\n"
    "                           [--countdown[=SECONDS]|--no-countdown] [--instrumental[=SECONDS]|--no-instrumental]\n"
    "The output's extension chooses (.bin, .mp3, .wma, .mp4; .zip zips MP3+G, or WMA+G with --type\n"
    "wmag); a --type that contradicts it is refused. --zip packs the audio, the .cdg and the LRC file\n"
    "into PATH (a .zip). The LRC is UTF-8; --lrc-encoding windows-1252 writes it for old players. Bit rates: MP3 320-32 as Layer III has them, WMA 192, 160, 128, 96. An MP4 is\n"
    "the player's screen as H.264 video (--size, default 720p; --fps, default 30) with AAC sound.\n"
    "--music plays from another work file than the project's. An existing output (with an MP3+G or\n"
    "WMA+G pair, its .cdg and .lrc) is replaced only with --force, and never the song's own project,\n"
    "music or lyric file. A pair is put in place whole or not at all. A song of which no lyric line\n"
    "is placed is refused unless --allow-untimed. Ctrl+C cancels; nothing half-written is left.\n"
    "The singer guidance options change the song's own for this export only:\n";

const std::string& FullUsage()
{
    static const std::string usage = std::string(kUsage) + kGuidanceUsage;
    return usage;
}

int Usage(const std::string& why)
{
    CliConsole::Error("tessavox-cli export: %s\n%s", why.c_str(), FullUsage().c_str());
    return 2;
}

int Failure(const std::string& why)
{
    CliConsole::Error("tessavox-cli export: %s\n", why.c_str());
    return 1;
}

// An error text's lines on one line: "a\nb\n" as "a; b".
std::string RateList(const int* first, const int* last)
{
    std::string list;
    for (const int* r = first; r != last; ++r) list += (list.empty() ? "" : ", ") + std::to_string(*r);
    return list;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

int RunExportCommand(const CliArgs& args)
{
    std::vector<CliOption> accepted = {{"output", 'o'}, {"type"}, {"bitrate"}, {"kbps"}, {"zip", 0, false}, {"lrc"},
                                       {"lrc-encoding"}, {"music"}, {"title"}, {"artist"}, {"size"}, {"fps"},
                                       {"force", 0, false}, {"allow-untimed", 0, false}};
    for (const CliOption& option : GuidanceOptions()) accepted.push_back(option);
    CliOptions options("export", FullUsage().c_str(), std::move(accepted));
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    SingerGuidance guidance;
    if (const std::string why = ApplyGuidanceOptions(options, guidance); !why.empty()) return Usage(why);
    if (options.Operands().size() != 1) return Usage(options.Operands().empty() ? "which project?" : "give one project");
    if (!options.Has("output")) return Usage("no output given (-o)");
    const std::string project = options.Operands()[0];
    const std::string output = options.Value("output");
    std::string type = Lower(options.Value("type"));
    const std::string lrc = Lower(options.Value("lrc"));
    const std::string music = options.Value("music");
    const bool haveTitle = options.Has("title"), haveArtist = options.Has("artist");
    const std::string title = haveTitle ? CliText(options.Value("title")) : std::string();
    const std::string artist = haveArtist ? CliText(options.Value("artist")) : std::string();
    bool zip = options.Has("zip");
    int kbps = 0;
    if (options.Has("bitrate") || options.Has("kbps")) {
        const std::string v = options.Value("bitrate", options.Value("kbps"));
        if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos)
            return Usage("--bitrate takes a bit rate such as 128");
        kbps = std::stoi(v);
    }
    if (!lrc.empty() && lrc != "simple" && lrc != "enhanced") return Usage("--lrc is simple or enhanced");
    const std::string lrcEncoding = Lower(options.Value("lrc-encoding", "utf-8"));
    if (lrcEncoding != "utf-8" && lrcEncoding != "windows-1252")
        return Usage("--lrc-encoding is utf-8 or windows-1252");
    if (type == "mp3g") type = "mp3";
    if (type == "wmag") type = "wma";
    if (!type.empty() && type != "mp3" && type != "wma" && type != "bin" && type != "mp4")
        return Usage("--type is bin, mp3g, wmag or mp4");

    // The output's name says what it is; a type or --zip that says otherwise is a mistake,
    // never a file named one thing and holding another.
    const std::string ext = Lower(std::filesystem::path(output).extension().string());
    if (ext != ".bin" && ext != ".mp3" && ext != ".wma" && ext != ".zip" && ext != ".mp4")
        return Usage("the output must end in .bin, .mp3, .wma, .mp4 or .zip");
    if (zip && ext != ".zip") return Usage("--zip writes a ZIP file: the output must end in .zip");
    zip = ext == ".zip";
    const std::string wanted = type.empty() ? (zip ? std::string("mp3") : ext.substr(1)) : type;
    if (wanted == "bin" && ext != ".bin") return Usage("--type bin writes a .bin file, not \"" + output + "\"");
    if (wanted == "mp4" && ext != ".mp4") return Usage("--type mp4 writes a .mp4 file, not \"" + output + "\"");
    if ((wanted == "mp3" || wanted == "wma") && ext != "." + wanted && !zip)
        return Usage("--type " + wanted + "g writes a ." + wanted + " or a .zip file, not \"" + output + "\"");

    ExportChoices choices;
    choices.type = wanted == "bin"   ? ExportType::Bin
                   : wanted == "mp3" ? ExportType::Mp3G
                   : wanted == "mp4" ? ExportType::Mp4
                                     : ExportType::WmaG;
    const bool video = choices.type == ExportType::Mp4;
    if ((options.Has("size") || options.Has("fps")) && !video) return Usage("--size and --fps are for MP4 exports");
    if (video && (zip || !lrc.empty() || options.Has("lrc-encoding")))
        return Usage("--zip, --lrc and --lrc-encoding are for MP3+G and WMA+G exports");
    if (options.Has("size")) {
        const std::string size = Lower(options.Value("size"));
        if (size != "720p" && size != "1080p") return Usage("--size is 720p or 1080p");
        choices.videoSize = size == "1080p" ? VideoSize::Hd1080 : VideoSize::Hd720;
    }
    if (options.Has("fps")) {
        const std::string fps = options.Value("fps");
        const auto offered = std::find_if(std::begin(kVideoFrameRates), std::end(kVideoFrameRates),
                                          [&fps](int r) { return std::to_string(r) == fps; });
        if (offered == std::end(kVideoFrameRates)) return Usage("--fps is 25, 30, 50 or 60");
        choices.videoFps = *offered;
    }
    choices.zip = zip;
    choices.lrc = !lrc.empty() || options.Has("lrc-encoding");
    choices.lrcFormat = lrc == "simple" ? LrcFormat::Simple : LrcFormat::Enhanced;
    choices.lrcWindows1252 = lrcEncoding == "windows-1252";
    if (kbps > 0) {
        if (choices.type == ExportType::Bin || video) return Usage("--bitrate is for MP3+G and WMA+G exports");
        const bool mp3 = choices.type == ExportType::Mp3G;
        const int* first = mp3 ? std::begin(kMp3BitRates) : std::begin(kWmaBitRates);
        const int* last = mp3 ? std::end(kMp3BitRates) : std::end(kWmaBitRates);
        if (std::find(first, last, kbps) == last)
            return Usage(std::string(mp3 ? "MP3" : "WMA") + " bit rates are " + RateList(first, last));
        (mp3 ? choices.mp3Kbps : choices.wmaKbps) = kbps;
    }
    StderrUserPrompt prompt;
    prompt.SetCommand("export");
    if (choices.type == ExportType::Mp3G) {
        Mp3NoticeSettings notices{true, true};
        if (!EnsureMp3Encoder(prompt, notices))
            return Failure(std::string("MP3+G needs the MP3 encoder library ") + LameLibrary::FileName() +
                           " from the Debian package " + kLamePackage + " (apt-get install " + kLamePackage +
                           "); --type wmag makes WMA+G without it");
    }

    SongDocument doc;
    if (!OpenCliProject(doc, project, prompt)) return 1;
    const KaraokeSong& song = doc.Song();
    if (haveTitle || haveArtist) doc.SetArtistAndTitle(haveArtist ? artist : song.artist, haveTitle ? title : song.title);
    if (HasGuidanceOptions(options)) {
        guidance = song.guidance;
        ApplyGuidanceOptions(options, guidance); // checked above
        doc.SetGuidance(guidance);
    }
    // Before the music is decoded: a refusal should not cost a long wait.
    const OutputGate::Existing existing = options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse;
    OutputGate gate(existing);
    doc.AddInputsTo(gate);
    gate.AddInput(music, "the music this export plays");
    if (const std::string refusal = gate.Refusal(ExportTargets(output, choices)); !refusal.empty())
        return Failure(refusal);
    if (const std::string untimed = doc.UntimedRefusal(); !untimed.empty() && !options.Has("allow-untimed"))
        return Failure(project + ": " + untimed + "; place the words in the window, or export anyway with --allow-untimed");
    WarnLinesTooWide(song);

    // The music as the window's Open loads it: a WAV read where it lies, anything else decoded
    // into this run's private work folder.
    const auto stopped = [](int) { return !StopSignals::Requested(); };
    std::string why;
    if (!music.empty()) {
        if (const WorkOutcome attached = doc.AttachMusic(music, stopped); !attached) why = music + ": " + attached.message;
    } else {
        why = doc.LoadProjectMusic(stopped).message;
    }
    if (StopSignals::Requested()) return Failure(kExportCancelledText);
    if (!why.empty()) return Failure(why);
    if (choices.type == ExportType::Bin && doc.MusicResult().sampleRate != 44100)
        return Failure("BIN is not allowed because the Audio Sample Rate is not 44,100 samples per second.");

    // The export works on its own snapshot of the song, as the window's does.
    const ExportSnapshot snapshot(doc);
    uint32_t leadIn = 0;
    if (choices.type == ExportType::Bin) {
        ProgressLine progress(kBinProgressCaption);
        const BinExportResult r = ExportSongBin(
            snapshot, output, [&progress](int p) { return progress(p) && !StopSignals::Requested(); }, prompt, &leadIn,
            existing);
        if (r.status == WorkStatus::Cancelled) return Failure(kExportCancelledText);
        if (r.status != WorkStatus::Done) return 1;
        CliConsole::Say(stdout, "%s: %llu sectors, lead-in %.2f s\n", output.c_str(), (unsigned long long)r.sectors,
                        leadIn / 44100.0);
        return 0;
    }
    if (video) {
        ProgressLine progress(kVideoProgressCaption);
        const VideoExportResult r = ExportSongVideo(
            snapshot, output, choices, [&progress](int p) { return progress(p) && !StopSignals::Requested(); }, prompt, &leadIn,
            existing);
        if (r.status == WorkStatus::Cancelled) return Failure(kExportCancelledText);
        if (r.status != WorkStatus::Done) return 1;
        const VideoRect frame = VideoFrameFor(choices.videoSize);
        CliConsole::Say(stdout, "%s\nvideo %dx%d at %d fps, %.2f s, lead-in %.2f s\n", output.c_str(), frame.width, frame.height,
                        choices.videoFps, r.durationMs / 1000.0, leadIn / 44100.0);
        return 0;
    }
    ProgressLine progress(kCompressingAudioCaption);
    const CompressedExportResult r = ExportSongCompressed(
        snapshot, output, choices, [&progress](int p) { return progress(p) && !StopSignals::Requested(); }, prompt, &leadIn,
        existing);
    if (r.status == WorkStatus::Cancelled || StopSignals::Requested()) return Failure(kExportCancelledText);
    if (r.status != WorkStatus::Done) return 1;
    if (choices.zip) CliConsole::Say(stdout, "%s\n", r.zipPath.c_str());
    else CliConsole::Say(stdout, "%s\n%s\n%s", r.audioPath.c_str(), r.cdgPath.c_str(), r.lrcPath.empty() ? "" : (r.lrcPath + "\n").c_str());
    CliConsole::Say(stdout, "audio %.2f s, lead-in %.2f s\n", r.durationMs / 1000.0, leadIn / 44100.0);
    return 0;
}
