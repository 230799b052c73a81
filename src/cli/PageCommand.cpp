// tessavox-cli page: a still picture of a project's title, lyrics or credits page.
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <string>

#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliOptions.h"
#include "document/OutputGate.h"
#include "cli/CliProject.h"
#include "document/SongDocument.h"
#include "cli/StderrUserPrompt.h"
#include "log/MLineListLog.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "player/PagePreview.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli page SONG.tvx --kind title|lyrics|credits -o FILE.png [--page N] [--scale N]\n"
    "A still picture of a page (lyrics: lyric page N, from 0); --scale 1 to 16 enlarges every pixel.\n";

bool ParseWhole(const std::string& text, int low, int high, int& out)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoi(text);
    return out >= low && out <= high;
}

} // namespace

int RunPageCommand(const CliArgs& args)
{
    CliOptions options("page", kUsage, {{"kind"}, {"output", 'o'}, {"scale"}, {"page"}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    if (options.Operands().size() != 1) return options.Refuse("give one project");
    if (!options.Has("output")) return options.Refuse("no output given (-o)");
    const std::string project = options.Operands()[0];
    const std::string output = options.Value("output");
    const std::string kind = options.Value("kind");
    int scale = 1, lyricPage = 0;
    if (options.Has("scale") && !ParseWhole(options.Value("scale"), 1, kSnapshotMaxScale, scale))
        return options.Refuse("--scale takes 1 to 16");
    if (options.Has("page") && !ParseWhole(options.Value("page"), 0, 999999, lyricPage))
        return options.Refuse("--page takes a page number from 0");
    int pageKind = 0;
    if (kind == "title") pageKind = kPageTitle;
    else if (kind == "lyrics") pageKind = kPageLyrics;
    else if (kind == "credits") pageKind = kPageCredits;
    else return options.Refuse("--kind is title, lyrics or credits");

    StderrUserPrompt prompt;
    prompt.SetCommand("page");
    SongDocument doc;
    if (!OpenCliProject(doc, project, prompt)) return 1;
    OutputGate gate(options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    doc.AddInputsTo(gate);
    if (!OutputsAllowed("page", gate, {output})) return 1;
    const KaraokeSong& song = doc.Song();

    CdgScreen renderer;
    CdgScreenPicture snapshot(scale);
    renderer.AttachWindow(&snapshot);
    if (pageKind == kPageLyrics) {
        doc.RebuildLineList(true);
        DrawLyricPagePreview(renderer, song, lyricPage);
    } else {
        const IMAGE_STRUCT* page = song.FindPage(pageKind);
        if (!page) {
            CliConsole::Error("tessavox-cli page: %s: the project has no %s page\n", project.c_str(), kind.c_str());
            return 1;
        }
        IMAGE_STRUCT shown = *page; // drawn from a copy: the writer may convert its picture
        DrawPagePreview(renderer, shown);
    }
    renderer.PresentAll();
    if (!snapshot.WritePng(OutputGate::WriteTarget(output))) {
        CliConsole::Error("tessavox-cli page: %s: %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}
