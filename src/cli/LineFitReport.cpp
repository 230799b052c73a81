#include "cli/LineFitReport.h"

#include "cli/CliConsole.h"

#include <cstdio>

#include "project/KaraokeSong.h"

std::string LineFitPlace(const LineFit& fit)
{
    const char* where = fit.source == LineSource::TitlePage     ? "title page line "
                        : fit.source == LineSource::CreditsPage ? "credits page line "
                                                                : "line ";
    return where + std::to_string(fit.number);
}

std::string TooWideText(const LineFit& fit)
{
    return "too wide for the screen (" + std::to_string(fit.width) + " of " + std::to_string(fit.room) +
           " pixels)";
}

size_t WarnLinesTooWide(const KaraokeSong& song)
{
    const std::vector<LineFit> wide = LinesTooWide(song);
    for (const LineFit& fit : wide)
        CliConsole::Say(stderr, "warning: %s is %s: \"%s\"\n", LineFitPlace(fit).c_str(), TooWideText(fit).c_str(),
                        fit.text.c_str());
    return wide.size();
}
