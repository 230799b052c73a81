#include "lyrics/LrcParser.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "lyrics/LyricText.h"

namespace {

constexpr int32_t kHundredthsPerMinute = 6000;
constexpr int32_t kHundredthsPerSecond = 100;
// The last line of a simple file has no neighbour to pace it by: one second a part at most.
constexpr int32_t kLoneLineElementHundredths = 100;
// Times are kept within 25 hours either way: far beyond any song, and every time stays within
// 32 bits when it becomes a count of samples.
constexpr int64_t kLatestHundredths = int64_t(25) * 60 * kHundredthsPerMinute;

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The whole number at s[at] as atoi reads it: leading white space, a sign, then digits
// (0 when there are none).
int32_t NumberAt(std::string_view s, size_t at)
{
    size_t i = at;
    while (i < s.size() && IsSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t v = 0;
    for (; i < s.size() && IsDigit(s[i]) && v < 100000000; ++i) v = v * 10 + (s[i] - '0');
    return int32_t(negative ? -v : v);
}

int32_t ClampTime(int64_t hundredths)
{
    return int32_t(std::clamp(hundredths, -kLatestHundredths, kLatestHundredths));
}

// Minutes, seconds and hundredths as the tags write them (any of them may be huge).
int32_t TimeOf(int32_t minutes, int32_t seconds, int32_t hundredths)
{
    return ClampTime(int64_t(minutes) * kHundredthsPerMinute + int64_t(seconds) * kHundredthsPerSecond + hundredths);
}

// The fraction after "." in hundredths: one digit is tenths, two are hundredths, three are
// milliseconds (rounded to the nearest hundredth); more digits than three are not looked at.
int32_t FractionAt(std::string_view s, size_t at)
{
    int32_t value = 0;
    size_t digits = 0;
    for (size_t i = at; i < s.size() && IsDigit(s[i]) && digits < 3; ++i, ++digits) value = value * 10 + (s[i] - '0');
    switch (digits) {
    case 1: return value * 10;
    case 2: return value;
    case 3: return (value + 5) / 10;
    default: return 0;
    }
}

// "mm:ss", "mm:ss.x", "mm:ss.xx" or "mm:ss.xxx" at s[at] (minutes of two or more digits) in
// hundredths; false when not a time.
bool TimeAt(std::string_view s, size_t at, int32_t& time)
{
    if (s.size() < at + 3 || !IsDigit(s[at]) || !IsDigit(s[at + 1])) return false;
    size_t colon = at;
    while (colon < s.size() && IsDigit(s[colon])) ++colon;
    if (colon >= s.size() || s[colon] != ':') return false;
    size_t dot = colon + 1;
    while (dot < s.size() && IsDigit(s[dot])) ++dot;
    const int32_t fraction = dot < s.size() && s[dot] == '.' ? FractionAt(s, dot + 1) : 0;
    time = TimeOf(NumberAt(s, at), NumberAt(s, colon + 1), fraction);
    return true;
}

// The inside of a "[mm:ss.xx]" line tag in hundredths; false when not a time.
bool LineTime(std::string_view inner, int32_t& time)
{
    return TimeAt(inner, 0, time);
}

// "<mm:ss.xx>" word time; false when the element is not one.
bool WordTime(std::string_view element, int32_t& time)
{
    if (element.empty() || element[0] != '<') return false;
    return TimeAt(element, 1, time);
}

void ApplyTag(std::string_view inner, LrcDocument& doc)
{
    const size_t colon = inner.find(':');
    if (colon == std::string_view::npos || colon == 0) return;
    std::string key(inner.substr(0, colon));
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string value(inner.substr(colon + 1));
    if (key == "ar") doc.artist = value;
    else if (key == "al") doc.album = value;
    else if (key == "ti") doc.title = value;
    else if (key == "au") doc.author = value;
    else if (key == "by") doc.creator = value;
    else if (key == "re") doc.editor = value;
    else if (key == "ve") doc.version = value;
    else if (key == "offset") doc.offset = NumberAt(value, 0);
    else if (key == "length") {
        const size_t c = value.find(':');
        const int32_t minutes = NumberAt(value, 0);
        const int32_t seconds = c == std::string::npos ? 0 : NumberAt(value, c + 1);
        doc.length = TimeOf(minutes, seconds, 0);
    }
}

// Where a character next occurs in a text, for positions that only move forward.
class NextOf {
public:
    NextOf(const std::string& text, char c) : m_text(text), m_c(c) {}
    size_t From(size_t p)
    {
        if (m_at == std::string::npos && m_searched) return m_at;
        if (!m_searched || m_at < p) {
            m_at = m_text.find(m_c, p);
            m_searched = true;
        }
        return m_at;
    }

private:
    const std::string& m_text;
    char m_c;
    size_t m_at = 0;
    bool m_searched = false;
};

// Every run of spaces becomes one space.
std::string CollapseSpaces(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out.push_back(c);
    return out;
}

// Cuts a line's text into elements: "<...>" tags, and words up to and including a space or
// up to the next "<".
std::vector<std::string> SplitElements(const std::string& text)
{
    std::vector<std::string> out;
    // The next "<", ">" and space at or after p, looked up again only once p has passed them,
    // so that a long line costs one pass and not one per word.
    NextOf open(text, '<'), close(text, '>'), space(text, ' ');
    size_t p = 0;
    while (p < text.size()) {
        size_t end;
        if (text[p] == '<') {
            const size_t c = close.From(p);
            end = c == std::string::npos ? text.size() : c + 1;
        } else {
            const size_t sp = space.From(p);
            const size_t o = open.From(p);
            if (sp != std::string::npos && (o == std::string::npos || sp < o)) end = sp + 1;
            else end = o == std::string::npos ? text.size() : o;
        }
        out.push_back(Trim(std::string_view(text).substr(p, end - p)));
        p = end;
    }
    return out;
}

// Takes the word-time tags out of one line of lyric text. Where a tag stood between two
// characters that are not spaces, a syllable mark joins the two parts.
std::string RemoveWordTimes(const std::string& line)
{
    std::string out;
    NextOf closing(line, '>');
    size_t p = 0;
    while (p < line.size()) {
        if (line[p] != '<') {
            out.push_back(line[p++]);
            continue;
        }
        int32_t ignored = 0;
        const size_t close = closing.From(p);
        if (close == std::string::npos || !WordTime(std::string_view(line).substr(p, close + 1 - p), ignored)) {
            out.push_back(line[p++]);
            continue;
        }
        p = close + 1;
        while (p < line.size() && line[p] == '<') { // a run of tags counts as one
            const size_t next = closing.From(p);
            if (next == std::string::npos || !WordTime(std::string_view(line).substr(p, next + 1 - p), ignored)) break;
            p = next + 1;
        }
        const bool wordBefore = !out.empty() && !IsSpace(out.back());
        const bool wordAfter = p < line.size() && !IsSpace(line[p]);
        if (wordBefore && wordAfter) out.push_back('*');
    }
    return out;
}

} // namespace

std::string ParseLrc(std::span<const uint8_t> bytes, LrcDocument& doc)
{
    doc = LrcDocument{};
    const std::string input(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::vector<std::string> lyricLines;
    std::vector<int32_t> lastWordTimes;
    // Whether a line is a second or later occurrence of a line with several time tags.
    std::vector<bool> repeats;
    int32_t singer = 1;

    size_t begin = 0;
    while (begin <= input.size()) {
        size_t lf = input.find('\n', begin);
        if (lf == std::string::npos) lf = input.size();
        std::string piece = Trim(std::string_view(input).substr(begin, lf - begin));
        begin = lf + 1;

        const size_t open = piece.find('[');
        if (open == std::string::npos) continue;
        piece.erase(0, open);
        const size_t lastClose = piece.rfind(']');
        if (lastClose == std::string::npos || lastClose <= 1) continue;
        const size_t firstClose = piece.find(']');
        const std::string inner = piece.substr(1, firstClose - 1);
        std::string text = piece.substr(lastClose + 1);

        // A line sung more than once (a chorus) carries one time tag for each time.
        std::vector<int32_t> lineTimes;
        for (size_t at = 0; at < piece.size() && piece[at] == '[';) {
            const size_t close = piece.find(']', at);
            int32_t t = 0;
            if (close == std::string::npos || !LineTime(std::string_view(piece).substr(at + 1, close - at - 1), t)) break;
            lineTimes.push_back(t);
            at = close + 1;
        }
        if (lineTimes.empty()) {
            ApplyTag(inner, doc);
            continue;
        }

        text = Trim(text) + "\r\n";
        if (text.size() > 1 && text[1] == ':') {
            const char who = char(std::toupper(static_cast<unsigned char>(text[0])));
            if (who == 'M' || who == 'F' || who == 'D') {
                singer = who == 'M' ? 1 : who == 'F' ? 2 : 3;
                text.erase(0, 2);
            }
        }
        text = CollapseSpaces(text);
        const std::vector<std::string> elements = SplitElements(text);

        // The word times of a repeated line were written for one of its times: the latest one
        // at or before the first word time (the first tag when none is). Every other occurrence
        // moves the words by the distance between its time and that one.
        int32_t lineTime = lineTimes.front();
        for (const std::string& element : elements) {
            int32_t t = 0;
            if (!WordTime(element, t)) continue;
            bool found = false;
            for (const int32_t candidate : lineTimes)
                if (candidate <= t && (!found || candidate > lineTime)) {
                    lineTime = candidate;
                    found = true;
                }
            break;
        }

        LrcLine line;
        line.singer = singer;
        int32_t current = lineTime;
        bool timed = false;
        for (const std::string& element : elements) {
            int32_t t = 0;
            if (WordTime(element, t)) {
                current = t;
                timed = true;
                doc.enhanced = true;
                const size_t close = element.find('>');
                const std::string after = close == std::string::npos ? std::string() : element.substr(close + 1);
                if (!after.empty()) line.elements.push_back({current, current, after});
                continue;
            }
            if (!element.empty() || !timed) line.elements.push_back({current, current, element});
        }

        for (size_t k = 0; k < lineTimes.size(); ++k) {
            const int64_t shift = int64_t(lineTimes[k]) - lineTime;
            LrcLine occurrence = line;
            for (LrcElement& e : occurrence.elements) e.start = e.end = ClampTime(e.start + shift);
            lyricLines.push_back(text);
            lastWordTimes.push_back(ClampTime(current + shift));
            repeats.push_back(k > 0);
            doc.lines.push_back(std::move(occurrence));
        }
    }

    if (doc.lines.empty()) return {};

    // A positive offset shows the lyrics sooner: every time moves earlier by it (milliseconds).
    if (doc.offset != 0) {
        const int64_t shift = (int64_t(doc.offset) + (doc.offset > 0 ? 5 : -5)) / 10;
        auto moved = [shift](int32_t t) { return ClampTime(std::max<int64_t>(0, int64_t(t) - shift)); };
        for (LrcLine& line : doc.lines)
            for (LrcElement& e : line.elements) e.start = moved(e.start);
        for (int32_t& t : lastWordTimes) t = moved(t);
    }

    // Lines out of time order are sung in time order; the text follows them.
    std::vector<size_t> order(doc.lines.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto firstTime = [&](size_t i) { return doc.lines[i].elements.empty() ? 0 : doc.lines[i].elements.front().start; };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return firstTime(a) < firstTime(b); });
    if (!std::is_sorted(order.begin(), order.end())) {
        // Repeats of a line fall into place by design; only the file's own lines out of order
        // are worth telling.
        int32_t latest = INT32_MIN;
        for (size_t i = 0; i < doc.lines.size(); ++i) {
            if (repeats[i]) continue;
            if (firstTime(i) < latest) doc.reordered = true;
            latest = std::max(latest, firstTime(i));
        }
        std::vector<LrcLine> lines;
        std::vector<std::string> texts;
        std::vector<int32_t> lasts;
        for (size_t i : order) {
            lines.push_back(std::move(doc.lines[i]));
            texts.push_back(std::move(lyricLines[i]));
            lasts.push_back(lastWordTimes[i]);
        }
        doc.lines = std::move(lines);
        lyricLines = std::move(texts);
        lastWordTimes = std::move(lasts);
    }

    if (doc.enhanced) {
        // Each part lasts until the next one starts; the last until the line's last word time
        // (its closing tag). A last part with no closing tag lasts until the next line begins,
        // or a second at the end of the file.
        for (size_t i = 0; i < doc.lines.size(); ++i) {
            auto& elements = doc.lines[i].elements;
            for (size_t k = 0; k < elements.size(); ++k) {
                int64_t end = (k + 1 < elements.size() ? elements[k + 1].start : lastWordTimes[i]) - 1;
                if (k + 1 == elements.size() && end < elements[k].start) {
                    const bool nextLine = i + 1 < doc.lines.size() && !doc.lines[i + 1].elements.empty() &&
                                          doc.lines[i + 1].elements.front().start > elements[k].start;
                    end = nextLine ? doc.lines[i + 1].elements.front().start - 1
                                   : int64_t(elements[k].start) + kLoneLineElementHundredths - 1;
                }
                // Never before its own start, whatever the tags say.
                elements[k].end = ClampTime(std::max<int64_t>(end, elements[k].start));
            }
        }
    }

    if (!doc.enhanced) {
        int64_t total = 0, count = 0;
        for (size_t i = 0; i < doc.lines.size(); ++i) {
            auto& elements = doc.lines[i].elements;
            if (elements.empty()) continue;
            const int32_t start = elements.front().start;
            int32_t d;
            if (i + 1 < doc.lines.size() && !doc.lines[i + 1].elements.empty()) {
                d = (doc.lines[i + 1].elements.front().start - start) / int32_t(elements.size());
            } else {
                // The last line has nothing after it to pace it by. The song's average part is a
                // guide only up to the lone line's pace: in a sparse song it may be an hour.
                d = count > 0 ? int32_t(std::min<int64_t>(total / count, kLoneLineElementHundredths))
                              : kLoneLineElementHundredths;
            }
            d = std::max<int32_t>(d, 1);
            for (size_t k = 0; k < elements.size(); ++k) {
                elements[k].start = ClampTime(start + int64_t(k) * d);
                elements[k].end = ClampTime(int64_t(elements[k].start) + d - 1);
                total += d;
                ++count;
            }
        }
    }

    std::string lyrics;
    for (const std::string& line : lyricLines) lyrics += doc.enhanced ? RemoveWordTimes(line) : line;
    return lyrics;
}
