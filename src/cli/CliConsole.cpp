#include "cli/CliConsole.h"

#include <algorithm>
#include <cstdarg>
#include <vector>

namespace {

std::string Formatted(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::vector<char> text(size_t(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    return std::string(text.data(), size_t(length));
}

} // namespace

CliConsole::Level CliConsole::s_level = CliConsole::Level::Normal;
bool CliConsole::s_progressShowing = false;
std::string CliConsole::s_held;

void CliConsole::TakeLevelOptions(std::vector<std::string>& args)
{
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto kept = std::remove_if(args.begin(), end, [](const std::string& a) {
        if (a == "-q" || a == "--quiet") {
            s_level = Level::Quiet;
            return true;
        }
        if (a == "-v" || a == "--verbose") {
            s_level = Level::Verbose;
            return true;
        }
        return false;
    });
    args.erase(kept, end);
}

void CliConsole::EndProgress()
{
    if (!s_progressShowing) return;
    std::fputc('\n', stderr);
    s_progressShowing = false;
}

void CliConsole::Say(std::FILE* out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = Formatted(format, args);
    va_end(args);
    if (out == stdout && Quiet()) return;
    Note(out, text);
}

void CliConsole::Note(std::FILE* out, const std::string& text)
{
    if (Quiet()) {
        s_held += text;
        return;
    }
    EndProgress();
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}

void CliConsole::SayHeldNotes()
{
    EndProgress();
    std::fwrite(s_held.data(), 1, s_held.size(), stderr);
    s_held.clear();
}

void CliConsole::Error(const char* format, ...)
{
    SayHeldNotes();
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void CliConsole::Detail(const char* format, ...)
{
    if (!Verbose()) return;
    EndProgress();
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
