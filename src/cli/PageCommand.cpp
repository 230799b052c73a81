// tessavox-cli page: a still picture of a project's title, lyrics or credits page.
#include <cstdio>
#include <string>

#include "cdg/PagePreview.h"
#include "cli/CliCommands.h"
#include "cli/StderrUserPrompt.h"
#include "player/MRwRenderer.h"
#include "player/MRwSnapshotPresenter.h"
#include "project/MSongSettings.h"

namespace {

int Usage(const std::string& why)
{
    std::fprintf(stderr,
                 "page: %s\n"
                 "usage: tessavox-cli page FILE.tvx --kind title|lyrics|credits -o FILE.png [--page N] [--scale N]\n",
                 why.c_str());
    return 2;
}

bool ParseWhole(const std::string& text, int low, int high, int& out)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoi(text);
    return out >= low && out <= high;
}

} // namespace

int RunPageCommand(const CliArgs& args)
{
    std::string project, kind, output;
    int scale = 1, lyricPage = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--kind" && hasValue) kind = args[++i];
        else if (a == "-o" && hasValue) output = args[++i];
        else if (a == "--scale" && hasValue) {
            if (!ParseWhole(args[++i], 1, kSnapshotMaxScale, scale)) return Usage("--scale takes 1 to 16");
        } else if (a == "--page" && hasValue) {
            if (!ParseWhole(args[++i], 0, 999999, lyricPage)) return Usage("--page takes a page number from 0");
        } else if (!a.empty() && a[0] != '-' && project.empty()) project = a;
        else return Usage("unexpected argument \"" + a + "\"");
    }
    if (project.empty() || output.empty()) return Usage("a project and -o are needed");
    int pageKind = 0;
    if (kind == "title") pageKind = kPageTitle;
    else if (kind == "lyrics") pageKind = kPageLyrics;
    else if (kind == "credits") pageKind = kPageCredits;
    else return Usage("--kind is title, lyrics or credits");

    StderrUserPrompt prompt;
    MSongSettings song(project);
    song.prompt = &prompt;
    if (!song.Load()) return 1;

    MRwRenderer renderer;
    MRwSnapshotPresenter snapshot(scale);
    renderer.AttachWindow(&snapshot);
    if (pageKind == kPageLyrics) {
        song.GenerateKaraokeLineList(true, true);
        DrawLyricPagePreview(renderer, song, lyricPage);
    } else {
        IMAGE_STRUCT* page = song.FindPage(pageKind);
        if (!page) {
            std::fprintf(stderr, "page: the project has no %s page\n", kind.c_str());
            return 1;
        }
        DrawPagePreview(renderer, *page);
    }
    renderer.PresentAll();
    if (!snapshot.WritePng(output)) {
        std::fprintf(stderr, "page: cannot write \"%s\"\n", output.c_str());
        return 1;
    }
    return 0;
}
