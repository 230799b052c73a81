#include "lyrics/MidiLyrics.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "lyrics/LyricText.h"
#include "lyrics/MidiFile.h"
#include "project/LyricMarkup.h"

namespace {

constexpr char kHeaderMark = '@';
constexpr char kTitleHeader = 'T';
constexpr const char* kWordsTrackName = "words";
constexpr const char* kLyricsTrackName = "lyrics";
constexpr const char* kLineEnd = "\r\n";
constexpr char kSyllableMark = '*';
constexpr int64_t kMicrosPerHundredth = 10000;
constexpr int64_t kMicrosPerSecond = 1000000;

bool IsLineMark(char c)
{
    return c == '\\' || c == '/' || c == '\r' || c == '\n';
}

// A paragraph mark clears the screen: the next line starts a page.
constexpr char kParagraphMark = '\\';

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsWordsTrackName(const std::string& name)
{
    const std::string lower = Lower(name);
    return lower == kWordsTrackName || lower == kLyricsTrackName;
}

size_t CountOf(const MidiTrack& track, uint8_t type, bool headers)
{
    return size_t(std::count_if(track.metas.begin(), track.metas.end(), [&](const MidiMetaEvent& e) {
        return e.type == type && !e.data.empty() && (e.data[0] == kHeaderMark) == headers;
    }));
}

// The track whose events are the words, and which kind of event carries them; null when the
// file has no words.
const MidiTrack* WordsTrack(const MidiFile& midi, uint8_t& type)
{
    const MidiTrack* best = nullptr;
    size_t most = 0;
    for (const MidiTrack& track : midi.Tracks())
        if (const size_t n = CountOf(track, MidiFile::kLyric, false); n > most) best = &track, most = n;
    if (best) {
        type = MidiFile::kLyric;
        return best;
    }
    type = MidiFile::kText;
    for (const MidiTrack& track : midi.Tracks()) {
        const bool named = std::any_of(track.metas.begin(), track.metas.end(), [](const MidiMetaEvent& e) {
            return e.type == MidiFile::kTrackName && IsWordsTrackName(e.data);
        });
        const bool karaoke = named || CountOf(track, MidiFile::kText, true) > 0;
        if (const size_t n = CountOf(track, MidiFile::kText, false); karaoke && n > most) best = &track, most = n;
    }
    return best;
}

// A syllable may hold several words ("I won"): each becomes an element, the syllable's time
// shared out between them.
struct Piece {
    std::string text;
    int64_t start;
    size_t syllable;
};

constexpr uint8_t kDrumChannel = 9;

// The note an event is sung on: one that starts on the event's tick and sounds for a while, in
// the words track itself or else in the first other track that has one (drums are no melody).
// Null when there is none.
const MidiNote* NoteOf(const MidiFile& midi, const MidiTrack& words, uint64_t tick)
{
    auto find = [tick](const MidiTrack& track) -> const MidiNote* {
        auto it = std::lower_bound(track.notes.begin(), track.notes.end(), tick,
                                   [](const MidiNote& n, uint64_t t) { return n.tick < t; });
        for (; it != track.notes.end() && it->tick == tick; ++it)
            if (it->endTick > it->tick && it->channel != kDrumChannel) return &*it;
        return nullptr;
    };
    if (const MidiNote* own = find(words)) return own;
    for (const MidiTrack& track : midi.Tracks())
        if (&track != &words)
            if (const MidiNote* note = find(track)) return note;
    return nullptr;
}

std::vector<LrcLine> TimedLines(const std::vector<MidiSyllable>& syllables)
{
    // The next syllable's start, or one second on for the last.
    auto nextStart = [&](size_t i) {
        return i + 1 < syllables.size() ? syllables[i + 1].micros : syllables[i].micros + kMicrosPerSecond;
    };
    std::vector<std::vector<Piece>> lines;
    for (size_t i = 0; i < syllables.size(); ++i) {
        const MidiSyllable& s = syllables[i];
        if (lines.empty() || s.newLine) lines.emplace_back();
        const std::vector<std::string> words = SplitAtSpaces(s.text);
        // The words share the note the event is sung on, or the time up to the next event when
        // it has none; the last of them then holds on as a one-word event does.
        const int64_t until = s.noteEndMicros > s.micros ? std::min(s.noteEndMicros, nextStart(i)) : nextStart(i);
        const int64_t span = std::max<int64_t>(until - s.micros, 0);
        for (size_t w = 0; w < words.size(); ++w)
            lines.back().push_back({words[w], s.micros + span * int64_t(w) / int64_t(words.size()), i});
    }
    std::vector<LrcLine> timed;
    for (size_t l = 0; l < lines.size(); ++l) {
        if (lines[l].empty()) continue;
        LrcLine& out = timed.emplace_back();
        for (size_t k = 0; k < lines[l].size(); ++k) {
            const Piece& piece = lines[l][k];
            int64_t end = 0;
            if (k + 1 < lines[l].size()) {
                end = lines[l][k + 1].start;
            } else {
                end = piece.start + kMicrosPerSecond;
                for (size_t n = l + 1; n < lines.size(); ++n)
                    if (!lines[n].empty()) {
                        end = std::min(end, lines[n].front().start);
                        break;
                    }
            }
            LrcElement element;
            element.text = piece.text;
            element.startMicros = piece.start;
            element.endMicros = std::max(end, piece.start);
            element.start = int32_t(element.startMicros / kMicrosPerHundredth);
            element.end = int32_t(element.endMicros / kMicrosPerHundredth);
            out.elements.push_back(std::move(element));
        }
    }
    return timed;
}

} // namespace

MidiLyrics ReadMidiLyrics(std::span<const uint8_t> bytes)
{
    MidiLyrics lyrics;
    MidiFile midi;
    if (!midi.Read(bytes)) return lyrics;

    // The headers of every track, in order: the first "@T" is the title, the second the artist.
    std::vector<std::string> titles;
    for (const MidiTrack& track : midi.Tracks())
        for (const MidiMetaEvent& e : track.metas)
            if (e.type == MidiFile::kText && e.data.size() > 2 && e.data[0] == kHeaderMark &&
                std::toupper(static_cast<unsigned char>(e.data[1])) == kTitleHeader)
                titles.push_back(e.data.substr(2));

    uint8_t type = 0;
    const MidiTrack* words = WordsTrack(midi, type);
    std::vector<const MidiMetaEvent*> pieces;
    if (words)
        for (const MidiMetaEvent& e : words->metas)
            if (e.type == type && !e.data.empty() && e.data[0] != kHeaderMark) pieces.push_back(&e);

    // One encoding for all of the file's words, found from all of them together.
    std::string all;
    for (const std::string& t : titles) all += t;
    for (const MidiMetaEvent* e : pieces) all += e->data;
    const TextEncodingKind encoding = DecodeLegacyText(all).encoding;
    auto decode = [&](const std::string& raw, size_t) { return DecodeAs(raw, encoding); };
    if (!titles.empty()) lyrics.title = Trimmed(decode(titles[0], 0));
    if (titles.size() > 1) lyrics.artist = Trimmed(decode(titles[1], 0));

    if (titles.empty() && !midi.Tracks().empty()) {
        for (const MidiMetaEvent& e : midi.Tracks().front().metas)
            if (e.type == MidiFile::kTrackName && !e.data.empty() && !IsWordsTrackName(e.data)) {
                lyrics.title = decode(e.data, 0);
                break;
            }
    }

    std::string line;
    size_t lineNumber = 1;
    bool breakPending = false;
    bool pageBreakPending = false;
    auto endLine = [&] {
        if (line.empty()) return;
        lyrics.text += line + kLineEnd;
        line.clear();
        ++lineNumber;
    };
    auto breakPage = [&] {
        if (lyrics.text.empty()) return; // the first page needs no break
        lyrics.text += std::string(1, kMarkPageBreak) + kLineEnd;
        ++lineNumber;
    };
    for (const MidiMetaEvent* e : pieces) {
        std::string piece = decode(e->data, lineNumber);
        const int64_t micros = midi.MicrosAt(e->tick);
        const MidiNote* note = NoteOf(midi, *words, e->tick);
        const int64_t noteEnd = note ? midi.MicrosAt(note->endTick) : -1;
        size_t b = 0;
        while (b < piece.size()) {
            if (IsLineMark(piece[b])) {
                breakPending = true;
                pageBreakPending = pageBreakPending || piece[b] == kParagraphMark;
                ++b;
                continue;
            }
            size_t end = b;
            while (end < piece.size() && !IsLineMark(piece[end])) ++end;
            MidiSyllable syllable;
            syllable.micros = micros;
            syllable.noteEndMicros = noteEnd;
            syllable.time = micros / kMicrosPerHundredth;
            syllable.text = piece.substr(b, end - b);
            if (breakPending) {
                endLine();
                if (pageBreakPending) breakPage();
                syllable.newLine = true;
                breakPending = false;
                pageBreakPending = false;
            }
            if (!line.empty() && line.back() != ' ' && syllable.text.front() != ' ') line += kSyllableMark;
            line += syllable.text;
            lyrics.syllables.push_back(std::move(syllable));
            b = end;
        }
    }
    endLine();
    // A file whose words ended on a line mark keeps its last line's end; text without any line
    // mark at the end gets none added beyond the one that closes the line.
    if (!breakPending && !lyrics.text.empty() && !pieces.empty()) {
        const std::string& last = pieces.back()->data;
        if (!last.empty() && !IsLineMark(last.back())) lyrics.text.resize(lyrics.text.size() - 2);
    }
    lyrics.lines = TimedLines(lyrics.syllables);
    return lyrics;
}

std::string ExtractMidiLyrics(std::span<const uint8_t> bytes)
{
    return ReadMidiLyrics(bytes).text;
}
