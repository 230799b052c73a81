// tessavox-cli new: a project made from a music file and, optionally, a lyric file.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

#include "audio/MusicImport.h"
#include "project/ProjectFile.h"
#include "cli/CliConsole.h"
#include "cli/CliAlign.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliGuidance.h"
#include "cli/CliOptions.h"
#include "cli/LineFitReport.h"
#include "cli/ProgressLine.h"
#include "cli/CliText.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "document/OutputGate.h"
#include "document/SongDocument.h"
#include "document/SongFileKind.h"
#include "lyrics/LrcDocument.h"
#include "lyrics/LyricImport.h"
#include "media/ReplacingFile.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli new -o SONG.tvx --music FILE [--lyrics FILE.txt|.lrc|.kar|.mid]\n"
    "                        [--title TITLE] [--artist ARTIST] [--no-times] [--force] [--wrap]\n"
    "                        [--align [--vocals FILE]] [--countdown[=SECONDS]] [--instrumental[=SECONDS]]\n"
    "The times of LRC, KAR/MIDI and UltraStar lyrics are applied unless --no-times is given; an\n"
    "UltraStar song's #MP3 is the music when --music is not given. KAR/MIDI music is rendered\n"
    "with a General MIDI SoundFont (TESSAVOX_SOUNDFONT=FILE picks one).\n"
    "A WAV file (44,100 Hz, 8 or 16 bits, mono or stereo) is used where it lies; other music is\n"
    "converted into SONG.wav (44,100 Hz 16-bit stereo) beside the project, which the project then\n"
    "uses; stderr says what was converted. --force replaces an\n"
    "existing SONG.tvx or SONG.wav. Lyric lines too wide for the screen are named on stderr; --wrap\n"
    "breaks them at the last space that fits (the words keep their times). --align times every\n"
    "word from the singing as \"tessavox-cli align\" does: from a vocal track (--vocals FILE) or\n"
    "the music itself. The project keeps the singer guidance options:\n";
constexpr const char* kProjectExtension = ".tvx";
constexpr const char* kWorkFileExtension = ".wav";

struct NewOptions {
    std::string project;
    std::string music;
    std::string lyrics;
    std::string title;
    std::string artist;
    bool haveTitle = false;
    bool haveArtist = false;
    bool force = false;
    bool wrap = false;
    bool noTimes = false;
    bool align = false;
    std::string vocals;
    SingerGuidance guidance;
};

// The options into o; the exit status when the command stops at its arguments.
std::optional<int> ParseArgs(const CliArgs& args, NewOptions& o)
{
    std::vector<CliOption> accepted = {{"output", 'o'}, {"music"},           {"lyrics"},         {"title"},
                                       {"artist"},      {"force", 0, false}, {"wrap", 0, false}, {"no-times", 0, false},
                                       {"align", 0, false}, {"vocals"}};
    for (const CliOption& option : GuidanceOptions()) accepted.push_back(option);
    static const std::string usage = std::string(kUsage) + kGuidanceUsage;
    CliOptions options("new", usage.c_str(), std::move(accepted));
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return status;
    if (const std::string why = ApplyGuidanceOptions(options, o.guidance); !why.empty()) return options.Refuse(why);
    if (!options.Operands().empty()) return options.Refuse("unexpected argument \"" + options.Operands()[0] + "\"");
    o.project = options.Value("output");
    o.music = options.Value("music");
    o.lyrics = options.Value("lyrics");
    o.title = options.Value("title");
    o.artist = options.Value("artist");
    o.haveTitle = options.Has("title");
    o.haveArtist = options.Has("artist");
    o.force = options.Has("force");
    o.wrap = options.Has("wrap");
    o.noTimes = options.Has("no-times");
    o.align = options.Has("align");
    o.vocals = options.Value("vocals");
    if (options.Has("vocals") && !o.align) return options.Refuse("--vocals goes with --align");
    if (options.Has("vocals") && o.vocals.empty()) return options.Refuse("--vocals needs a file");
    if (o.project.empty()) return options.Refuse("which project file? (-o SONG.tvx)");
    // An UltraStar song names its music; that is known once its lyrics are read.
    if (o.music.empty() && o.lyrics.empty()) return options.Refuse("which music? (--music FILE)");
    // The work file is named after the project; any other name could be the music itself.
    if (!IsProjectPath(o.project)) return options.Refuse("the project file must end in .tvx");
    if (!o.lyrics.empty() && SongFileKindOf(o.lyrics) != SongFileKind::Lyrics)
        return options.Refuse("lyrics must be a .txt, .lrc, .kar or .mid file");
    return std::nullopt;
}

std::string ChannelsText(int channels)
{
    return channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

std::string SecondsText(const MusicImportResult& r)
{
    const int frameBytes = r.channels * r.bitsPerSample / 8;
    if (frameBytes <= 0 || r.sampleRate <= 0) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", double(r.dataBytes) / frameBytes / r.sampleRate);
    return text;
}

} // namespace

int RunNewCommand(const CliArgs& args)
{
    NewOptions o;
    if (const std::optional<int> status = ParseArgs(args, o)) return *status;

    std::error_code ec;
    const std::string project = fs::absolute(o.project, ec).lexically_normal().string();
    const std::string workFile = fs::path(project).replace_extension(kWorkFileExtension).string();
    StderrUserPrompt prompt;
    prompt.SetCommand("new");

    // Lyrics first: a bad lyric file should not cost a long decode, and a song file may name
    // the music.
    SongDocument doc(&prompt);
    // The whole song is made as one edit, then saved under the project's name.
    SongEdit made = doc.BeginEdit("New Song");
    KaraokeSong& song = made.Song();
    LrcDocument lrc;
    prompt.SetSubject(o.lyrics);
    if (!o.lyrics.empty() && !ImportLyricFile(song, o.lyrics, lrc, prompt)) return 1;
    if (o.music.empty() && !lrc.musicFile.empty())
        o.music = (fs::absolute(o.lyrics, ec).parent_path() / lrc.musicFile).string();
    if (o.music.empty()) {
        prompt.Message("The lyrics name no music; give it with --music FILE.", kAppCaption, PromptIcon::Stop);
        return 1;
    }
    const std::string music = fs::absolute(o.music, ec).lexically_normal().string();
    const bool decodes = !MusicImport::IsUsedInPlace(music);

    if (!fs::is_directory(fs::path(project).parent_path(), ec)) {
        prompt.Message("The folder of \"" + project + "\" does not exist.", kAppCaption, PromptIcon::Stop);
        return 1;
    }
    // A new project never silently takes the place of work that is already there, and never
    // that of its own music or lyrics.
    OutputGate gate(o.force ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    gate.AddInput(music, "the song's music");
    gate.AddInput(o.lyrics, "the song's lyric file");
    if (!o.vocals.empty()) gate.AddInput(o.vocals, "the song's vocal track");
    std::vector<std::string> outputs = {project};
    // Music that would be converted into itself is the import's to explain.
    if (decodes && OutputGate::Resolve(workFile) != OutputGate::Resolve(music)) outputs.push_back(workFile);
    if (const std::string why = gate.Refusal(outputs); !why.empty()) {
        prompt.Message(why, kAppCaption, PromptIcon::Stop);
        return 1;
    }
    // A folder we may not write in is said before a long decode, and blamed, not the music.
    if (ReplacingFile probe(project); !probe.Create()) {
        prompt.Message("Cannot write in the folder \"" + fs::path(project).parent_path().string() + "\": " +
                           std::strerror(errno),
                       kAppCaption, PromptIcon::Stop);
        return 1;
    }

    prompt.SetSubject(music);

    MusicImport import(workFile);
    ProgressLine progress(kDecompressingAudioTitle);
    // A stop signal while decoding stops the decoder, so that its partial file is cleaned away.
    import.SetProgress([&progress](int percent) { return progress(percent) && !StopSignals::Requested(); });
    const bool workFileExisted = fs::exists(workFile, ec);
    const bool imported = import.ImportMusic(music);
    CliConsole::EndProgress();
    const MusicImportResult& result = import.Result();
    if (!imported) {
        if (StopSignals::Requested()) return 1;
        prompt.Message(kMsgMusicProblem + result.errorText, kAppCaption, PromptIcon::Stop);
        return 1;
    }
    song.SetMusicPath(result.path);
    if (!result.conversionNote.empty()) prompt.Message(result.conversionNote, kAppCaption, PromptIcon::Information);

    if (!o.noTimes) ApplyLrcTiming(song, lrc, prompt);
    song.title = o.haveTitle ? CliText(o.title) : lrc.title;
    song.artist = o.haveArtist ? CliText(o.artist) : lrc.artist;
    if (lrc.reordered) CliConsole::Say(stderr, "note: the LRC file's lines were out of time order; they are sorted by time\n");

    song.guidance = o.guidance;
    if (o.wrap) FitLongLines(song, false);
    WarnLinesTooWide(song);

    // Stopped after the decoding: the project is not made, and its music goes with it.
    if (StopSignals::Requested()) {
        if (result.decoded && !workFileExisted) fs::remove(workFile, ec);
        return 1;
    }
    made.Commit();
    if (o.align) {
        std::vector<AlignedWord> times;
        if (!AlignCliSong("new", doc, o.vocals, times)) {
            if (result.decoded && !workFileExisted) fs::remove(workFile, ec);
            return 1;
        }
    }
    prompt.SetSubject(project);
    if (!doc.SaveAs(project)) { // the song's prompt has said why
        // The decoded music belongs to the project that was not made.
        if (result.decoded && !workFileExisted) fs::remove(workFile, ec);
        return 1;
    }

    const std::string source = result.decoded ? ", decoded from " + music : std::string();
    CliConsole::Say(stdout, "%s\n  music   %s (%d Hz, %d-bit, %s, %s)%s\n", project.c_str(), result.path.c_str(),
                    result.sampleRate, result.bitsPerSample, ChannelsText(result.channels).c_str(),
                    SecondsText(result).c_str(), source.c_str());
    if (!o.lyrics.empty())
        CliConsole::Say(stdout, "  lyrics  %zu lines%s\n", doc.Song().LineCount(), doc.Song().LyricsPlaced() ? ", timed" : "");
    if (std::fflush(stdout) != 0) return 1;
    return 0;
}
