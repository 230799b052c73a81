#include "lyrics/UltraStarParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

#include "lyrics/LyricText.h"

namespace {

constexpr char kHeaderMark = '#';
constexpr char kLineBreak = '-';
constexpr char kEnd = 'E';
constexpr std::string_view kNoteKinds = ":*FRG";
constexpr std::string_view kContinuation = "~";
constexpr char kSyllableMark = '*';
constexpr const char* kLineEnd = "\r\n";
constexpr double kMicrosPerMinute = 60e6;
constexpr double kMicrosPerMilli = 1000.0;
constexpr int64_t kMicrosPerHundredth = 10000;
// The file's BPM counts quarter beats.
constexpr double kBeatsPerBpm = 4.0;

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// "300", "300.5" or "300,5" (files made with a decimal comma).
bool ReadDecimal(std::string_view s, double& value)
{
    std::string text(Trim(s));
    std::replace(text.begin(), text.end(), ',', '.');
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// The next whole number after spaces; false when there is none.
bool ReadInt(std::string_view line, size_t& pos, long long& value)
{
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const auto [end, ec] = std::from_chars(line.data() + pos, line.data() + line.size(), value);
    if (ec != std::errc()) return false;
    pos = size_t(end - line.data());
    return true;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t lf = text.find('\n', begin);
        if (lf == std::string_view::npos) lf = text.size();
        std::string_view line = text.substr(begin, lf - begin);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        begin = lf + 1;
    }
    return lines;
}

bool IsNoteLine(std::string_view line)
{
    return line.size() > 2 && kNoteKinds.find(line[0]) != std::string_view::npos && line[1] == ' ';
}

struct Note {
    long long start = 0; // beats, absolute
    long long length = 0;
    std::string text;
};

} // namespace

bool IsUltraStarSong(std::string_view text)
{
    bool bpm = false;
    bool note = false;
    for (std::string_view line : Lines(text)) {
        if (Upper(line.substr(0, 5)) == "#BPM:") bpm = true;
        if (IsNoteLine(line)) note = true;
    }
    return bpm && note;
}

std::string ParseUltraStar(std::string_view text, LrcDocument& doc)
{
    doc = LrcDocument{};
    double bpm = 0;
    double gapMs = 0;
    bool relative = false;
    std::vector<std::vector<Note>> lines(1);
    long long lineOffset = 0;

    for (std::string_view line : Lines(text)) {
        if (line.empty()) continue;
        if (line[0] == kHeaderMark) {
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            const std::string key = Upper(Trim(line.substr(1, colon - 1)));
            const std::string_view value = Trim(line.substr(colon + 1));
            if (key == "TITLE") doc.title = std::string(value);
            else if (key == "ARTIST") doc.artist = std::string(value);
            else if (key == "MP3") doc.musicFile = std::string(value);
            else if (key == "BPM") ReadDecimal(value, bpm);
            else if (key == "GAP") ReadDecimal(value, gapMs);
            else if (key == "RELATIVE") relative = Upper(value) == "YES";
            continue;
        }
        if (line[0] == kEnd) break;
        size_t pos = 1;
        if (line[0] == kLineBreak) {
            long long at = 0;
            long long next = 0;
            if (relative && ReadInt(line, pos, at)) lineOffset += ReadInt(line, pos, next) ? next : at;
            if (!lines.back().empty()) lines.emplace_back();
            continue;
        }
        if (!IsNoteLine(line)) continue;
        Note note;
        long long pitch = 0;
        if (!ReadInt(line, pos, note.start) || !ReadInt(line, pos, note.length) || !ReadInt(line, pos, pitch)) continue;
        // One space separates the pitch from the syllable; any further space is the syllable's.
        if (pos < line.size() && line[pos] == ' ') ++pos;
        note.text = std::string(line.substr(pos));
        note.start += relative ? lineOffset : 0;
        note.length = std::max(note.length, 0LL);
        lines.back().push_back(std::move(note));
    }
    if (bpm <= 0) return {};
    const double microsPerBeat = kMicrosPerMinute / (bpm * kBeatsPerBpm);
    auto micros = [&](long long beat) { return int64_t(std::llround(gapMs * kMicrosPerMilli + double(beat) * microsPerBeat)); };

    std::string lyricText;
    for (const std::vector<Note>& notes : lines) {
        LrcLine out;
        std::string lineText;
        bool spaceBefore = true;
        for (const Note& note : notes) {
            const int64_t start = micros(note.start);
            const int64_t end = micros(note.start + note.length);
            if (std::string_view(Trim(note.text)) == kContinuation) {
                // A held syllable sings on: the note before lasts to this one's end.
                if (!out.elements.empty()) out.elements.back().endMicros = std::max(out.elements.back().endMicros, end);
                continue;
            }
            // Words inside one note share its time.
            const std::vector<std::string> words = SplitAtSpaces(note.text);
            if (words.empty()) {
                spaceBefore = true;
                continue;
            }
            const bool startsWord = spaceBefore || note.text.front() == ' ';
            for (size_t w = 0; w < words.size(); ++w) {
                if (!lineText.empty()) lineText += (w == 0 && !startsWord) ? std::string(1, kSyllableMark) : " ";
                lineText += words[w];
                LrcElement element;
                element.text = words[w];
                element.startMicros = start + (end - start) * int64_t(w) / int64_t(words.size());
                element.endMicros = start + (end - start) * int64_t(w + 1) / int64_t(words.size());
                out.elements.push_back(std::move(element));
            }
            spaceBefore = note.text.back() == ' ';
        }
        if (out.elements.empty()) continue;
        for (LrcElement& e : out.elements) {
            e.start = int32_t(e.startMicros / kMicrosPerHundredth);
            e.end = int32_t(e.endMicros / kMicrosPerHundredth);
        }
        lyricText += lineText + kLineEnd;
        doc.lines.push_back(std::move(out));
    }
    doc.enhanced = !doc.lines.empty();
    return lyricText;
}
