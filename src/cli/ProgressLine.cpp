#include "cli/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

ProgressLine::ProgressLine(const char* what) : m_what(what), m_show(::isatty(STDERR_FILENO) != 0) {}

ProgressLine::~ProgressLine()
{
    if (m_show && m_last >= 0) std::fprintf(stderr, "\n");
}

bool ProgressLine::operator()(int percent)
{
    if (m_show && percent != m_last) std::fprintf(stderr, "\r%s %3d%%", m_what, percent);
    m_last = percent;
    return true;
}
