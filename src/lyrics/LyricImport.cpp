#include "lyrics/LyricImport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/MTextMsgLog.h"
#include "log/MUserActionLog.h"
#include "lyrics/LrcParser.h"
#include "project/LyricMarkup.h"
#include "lyrics/LyricText.h"
#include "lyrics/MidiLyrics.h"
#include "lyrics/UltraStarParser.h"
#include "cdg/TextLayout.h"
#include "media/AtomicFile.h"
#include "project/KaraokeSong.h"
#include "text/MFont.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kImportLyricsAction = 1;
constexpr const char* kImportLyricsLogName = "Import Lyrics";
constexpr uint32_t kSamplesPerHundredth = 441;
constexpr int64_t kSamplesPerSecond = 44100;
constexpr int64_t kMicrosPerSecond = 1000000;

void Log(std::unique_ptr<MLog> entry)
{
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::move(entry), true);
}

uint32_t ToSamples(int32_t hundredths)
{
    return hundredths <= 0 ? 0u : uint32_t(hundredths) * kSamplesPerHundredth;
}

// To the nearest sample; song times are 32-bit sample counts.
uint32_t MicrosToSamples(int64_t micros)
{
    if (micros <= 0) return 0;
    const int64_t samples = (micros * kSamplesPerSecond + kMicrosPerSecond / 2) / kMicrosPerSecond;
    return uint32_t(std::min<int64_t>(samples, UINT32_MAX));
}

} // namespace

LyricFileKind LyricKindOf(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return LyricFileKind::Other;
    std::string ext = name.substr(dot, 4);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".txt") return LyricFileKind::Text;
    if (ext == ".lrc") return LyricFileKind::Lrc;
    if (ext == ".kar" || ext == ".mid") return LyricFileKind::Midi;
    return LyricFileKind::Other;
}

namespace {

// The lyric text that a file's bytes give, line ends and all.
std::string RawLyricText(LyricFileKind kind, std::span<const uint8_t> bytes, LrcDocument& lrc)
{
    if (kind == LyricFileKind::Midi) {
        MidiLyrics midi = ReadMidiLyrics(bytes);
        lrc.title = midi.title;
        lrc.artist = midi.artist;
        lrc.lines = std::move(midi.lines);
        lrc.enhanced = !lrc.lines.empty();
        return midi.text;
    }
    if (kind == LyricFileKind::Other) return {};
    // Text files: the encoding is found before any line-end translation, which would otherwise
    // split the two-byte characters of UTF-16.
    DecodedText decoded = DecodeTextBytes(bytes);
    const std::string text = TextModeLineEnds(std::span(reinterpret_cast<const uint8_t*>(decoded.text.data()), decoded.text.size()));
    if (kind == LyricFileKind::Text && IsUltraStarSong(text)) return ParseUltraStar(text, lrc);
    if (kind == LyricFileKind::Text) return ConvertPlainLyrics(text);
    return ParseLrc(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), lrc);
}

} // namespace

std::string LyricTextFromBytes(LyricFileKind kind, std::span<const uint8_t> bytes, LrcDocument& lrc)
{
    lrc = LrcDocument{};
    std::string text = RawLyricText(kind, bytes, lrc);
    // The song makes a line of whatever follows the last line end: a file's final line end
    // closes its last line and must not open an empty one. Blank lines before it stay.
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    else if (text.ends_with('\n')) text.pop_back();
    return text;
}

namespace {

// The font the song's lyric lines are drawn with.
std::shared_ptr<const MFont> LyricFont(const KaraokeSong& song)
{
    static const MTextType kBareStyle;
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    return StyleFont(lyrics ? lyrics->style : kBareStyle);
}

} // namespace

std::vector<TextCharacter> UndrawableLyricCharacters(const KaraokeSong& song)
{
    return LyricFont(song)->Undrawable(song.lyricText);
}

bool ImportLyricFile(KaraokeSong& song, const std::string& path, LrcDocument& lrc, UserPrompt& prompt)
{
    Log(std::make_unique<MUserActionLog>(kImportLyricsLogName, kImportLyricsAction));
    lrc = LrcDocument{};
    const LyricFileKind kind = LyricKindOf(path);

    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    const auto size = regular ? std::filesystem::file_size(path, ec) : 0;
    if (!regular || ec) {
        prompt.Message(kMsgLyricOpenFailed, kAppCaption, PromptIcon::Warning);
        return false;
    }
    if (size > kMaxLyricFileBytes) {
        prompt.Message(kMsgLyricMemory, kAppCaption, PromptIcon::Warning);
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxLyricFileBytes)) {
        prompt.Message(kMsgLyricOpenFailed, kAppCaption, PromptIcon::Warning);
        return false;
    }
    if (kind == LyricFileKind::Other) return false;

    std::string text = LyricTextFromBytes(kind, bytes, lrc);
    if (text.empty()) {
        prompt.Message(kMsgLyricNothing, kAppCaption, PromptIcon::Stop);
        Log(std::make_unique<MTextMsgLog>(kImportLyricsLogName, "Error opening/reading Lyric file.\n"));
        return false;
    }
    song.lyricText = std::move(text);
    song.ClearLines();
    if (song.GenerateKaraokeLineList(true, false))
        prompt.Message(kMsgDuetMarksInSoloSong, kAppCaption, PromptIcon::Warning);
    MLineListLog::Rebuilt(song);
    Log(std::make_unique<MTextMsgLog>(kImportLyricsLogName, song.lyricText));
    if (const auto undrawable = UndrawableLyricCharacters(song); !undrawable.empty())
        prompt.Message(kMsgLyricCharactersUndrawable + CharacterReport(undrawable), kAppCaption, PromptIcon::Warning);
    return true;
}

bool ApplyLrcTiming(KaraokeSong& song, const LrcDocument& lrc, UserPrompt& prompt)
{
    if (lrc.lines.empty()) return false;
    if (song.LyricsPlaced() &&
        prompt.Ask(kMsgReplaceTiming, kAppCaption, PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes)
        return false;

    const size_t lineCount = std::min(song.LineCount(), lrc.lines.size());
    for (size_t i = 0; i < lineCount; ++i) {
        MKaraokeLine& line = *song.lines[i];
        const auto& elements = lrc.lines[i].elements;
        line.placed = 1;
        size_t searchFrom = 0;
        size_t j = 0; // the next word to time
        for (size_t e = 0; e < elements.size() && j < line.words.size(); ++e) {
            MKaraokeWord& word = *line.words[j];
            const LrcElement& element = elements[e];
            const uint32_t start = element.startMicros >= 0 ? MicrosToSamples(element.startMicros) : ToSamples(element.start);
            // An element's end in hundredths is the last hundredth it is sung; a word ends where
            // the next begins, on the time of the closing tag.
            const uint32_t end = element.endMicros >= 0 ? MicrosToSamples(element.endMicros) : ToSamples(element.end + 1);
            const size_t at = element.text.empty() ? std::string::npos : line.text.find(element.text, searchFrom);
            // A word of a script written without spaces is timed a character at a time: the
            // element's time is shared among the syllables its text holds.
            size_t k = j + 1;
            if (at != std::string::npos && size_t(word.first) == at)
                while (k < line.words.size() && (line.words[k - 1]->flags & kWordJoinsNext) &&
                       size_t(line.words[k]->last) < at + element.text.size())
                    ++k;
            if (k - j > 1) {
                const uint64_t span = end > start ? end - start : 0;
                for (size_t m = j; m < k; ++m) {
                    line.words[m]->start = start + uint32_t(span * (m - j) / (k - j));
                    line.words[m]->end = start + uint32_t(span * (m - j + 1) / (k - j));
                }
                searchFrom = size_t(std::max(line.words[k - 1]->last + 1, 0));
                j = k;
                continue;
            }
            word.start = start;
            word.end = end;
            // Where the element's text is not found the word keeps the place the rebuild gave it.
            if (at != std::string::npos) {
                word.first = int32_t(at);
                word.last = int32_t(at + element.text.size()) - 1;
            }
            searchFrom = size_t(std::max(word.last + 1, 0));
            ++j;
        }
    }
    return true;
}
