#include "cli/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

#include "cli/CliConsole.h"

ProgressLine::ProgressLine(const char* what) : m_what(what), m_terminal(::isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine()
{
    CliConsole::EndProgress();
}

bool ProgressLine::operator()(int percent)
{
    if (percent == m_last || CliConsole::Quiet()) return true;
    if (m_terminal) {
        std::fprintf(stderr, "\r%s %3d%%", m_what, percent);
        std::fflush(stderr);
        CliConsole::s_progressShowing = true;
    } else if (CliConsole::Verbose() && (m_last < 0 || percent / 10 != m_last / 10)) {
        std::fprintf(stderr, "%s %3d%%\n", m_what, percent);
    }
    m_last = percent;
    return true;
}
