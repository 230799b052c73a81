#include "project/LyricMarkup.h"

namespace {

// Drops every space that stands directly after (or before) the mark character. Each pass
// is the fixed point of replacing "<mark> " by "<mark>" (or " <mark>" by "<mark>").
std::string DropSpacesAfter(const std::string& in, char mark)
{
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        out.push_back(in[i]);
        if (in[i] == mark)
            while (i + 1 < in.size() && in[i + 1] == ' ') ++i;
    }
    return out;
}

std::string DropSpacesBefore(const std::string& in, char mark)
{
    std::string out;
    out.reserve(in.size());
    for (char c : in) {
        if (c == mark)
            while (!out.empty() && out.back() == ' ') out.pop_back();
        out.push_back(c);
    }
    return out;
}

} // namespace

std::string NormaliseLyricText(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c == '\r') continue;
        if (c == ' ' && !s.empty() && s.back() == ' ') continue; // two spaces become one
        s.push_back(c);
    }
    s = DropSpacesAfter(s, '\n');
    s = DropSpacesBefore(s, '\n');
    s = DropSpacesAfter(s, kMarkSyllable);
    s = DropSpacesBefore(s, kMarkSyllable);
    const size_t begin = s.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    const size_t end = s.find_last_not_of(' ');
    return s.substr(begin, end - begin + 1);
}

bool IsPageBreakLine(std::string_view line)
{
    return line.find(kMarkPageBreak) != std::string_view::npos;
}

bool HasDuetMark(std::string_view line)
{
    return !line.empty() && line[0] == kMarkSecondSinger && !(line.size() > 1 && line[1] == kMarkSecondSinger);
}

std::string FinalLineText(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (c == kMarkSyllable) continue;
        out.push_back(c == kMarkInnerSpace ? ' ' : c);
    }
    return out;
}
