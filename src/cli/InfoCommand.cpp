// tessavox-cli info: a project as a user wants to see it, or as JSON for scripts.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "cdg/PageWriter.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/JsonWriter.h"
#include "cli/CliProject.h"
#include "document/SongDocument.h"
#include "cli/LineFitReport.h"
#include "cli/StderrUserPrompt.h"
#include "media/ByteOrder.h"
#include "project/ColourSlots.h"
#include "project/LyricMarkup.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "project/SweepAdvance.h"
#include "text/Cp1252.h"
#include "text/Utf8.h"
#include "text/SongTime.h"

namespace {

constexpr const char* kUsage = "Usage: tessavox-cli info FILE.tvx [--json]\n";

// The version word as it stands in the file; the loaded song always says 600.
bool ReadFileVersion(const std::string& path, int32_t& version)
{
    std::ifstream in(path, std::ios::binary);
    uint8_t bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return false;
    version = static_cast<int32_t>(GetLe32(bytes));
    return true;
}

// Song text for a terminal: UTF-8, with control characters shown as \xNN so that a damaged
// file cannot send escape sequences to the terminal.
std::string Printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(text, i, cp);
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(cp));
            out += buf;
        } else {
            AppendUtf8(out, cp);
        }
        i += n;
    }
    return out;
}

// A path is the file system's own bytes; only control characters are escaped.
std::string PrintablePath(std::string_view path)
{
    std::string out;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(byte));
            out += buf;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// The characters of a word element. The indexes come from the file, so they are clamped to the
// line text rather than trusted.
std::string_view WordText(const MKaraokeLine& line, const MKaraokeWord& word)
{
    const int64_t size = static_cast<int64_t>(line.text.size());
    const int64_t first = std::max<int64_t>(word.first, 0);
    const int64_t last = std::min<int64_t>(word.last, size - 1);
    if (first > last) return {};
    return std::string_view(line.text).substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
}

const char* PageKindName(int32_t kind)
{
    switch (kind) {
    case kPageTitle:
        return "Title page";
    case kPageLyrics:
        return "Lyrics page";
    case kPageCredits:
        return "Credits page";
    default:
        return "Unknown page";
    }
}

const char* PageKindKey(int32_t kind)
{
    switch (kind) {
    case kPageTitle:
        return "title";
    case kPageLyrics:
        return "lyrics";
    case kPageCredits:
        return "credits";
    default:
        return "unknown";
    }
}

// A transition's name, "none" for numbers that draw nothing.
const char* TransitionText(int32_t transition)
{
    const char* name = TransitionName(transition);
    return *name ? name : "none";
}

std::string SingersText(int32_t count)
{
    if (count == 1) return "Solo";
    if (count == 2) return "Duet";
    return std::to_string(count) + " (not a valid singer count)";
}

std::string ColourText(int32_t slot)
{
    std::string text = "colour " + std::to_string(slot);
    if (slot == kSlotText) text += " (Singer 1)";
    else if (slot == kSlotSinger2) text += " (Singer 2)";
    else if (slot == kSlotBoth) text += " (Both)";
    return text;
}

std::string HundredthsText(int32_t hundredths)
{
    char buf[32];
    const int64_t v = hundredths;
    const int64_t magnitude = v < 0 ? -v : v;
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", v < 0 ? "-" : "", static_cast<long long>(magnitude / 100),
                  static_cast<long long>(magnitude % 100));
    return buf;
}

void AppendLine(std::string& out, const std::string& label, const std::string& value)
{
    out += label;
    out.append(label.size() < 16 ? 16 - label.size() : 1, ' ');
    out += value;
    out += '\n';
}

std::string OrNone(const std::string& text)
{
    return text.empty() ? "(none)" : Printable(text);
}

// A guidance gap as the settings show it: "5.0 s".
std::string GapText(int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000.0);
    return text;
}

std::string TextReport(const KaraokeSong& song, const std::string& path, int32_t version, bool musicMissing)
{
    std::string out;
    AppendLine(out, "Project:", PrintablePath(path));
    AppendLine(out, "Version:", std::to_string(version));
    AppendLine(out, "Singers:", SingersText(song.settings.singerCount));
    AppendLine(out, "Lines per page:", std::to_string(song.settings.linesPerPage));
    AppendLine(out, "Advance sweep:", SweepAdvance::FromStored(song.settings.advanceSweep).AppliedText() + " s");
    AppendLine(out, "Artist:", OrNone(song.artist));
    AppendLine(out, "Title:", OrNone(song.title));
    AppendLine(out, "Music:",
               song.musicPath.empty() ? OrNone(song.musicPath)
                                      : PrintablePath(song.musicPath) + (musicMissing ? " (missing)" : ""));
    static const char* const kSingerLabels[] = {"Singer 1:", "Singer 2:", "Both:"};
    for (size_t i = 0; i < song.singerDescriptions.size(); ++i)
        AppendLine(out, kSingerLabels[i], OrNone(song.singerDescriptions[i]));
    const SingerGuidance& guidance = song.guidance;
    AppendLine(out, "Count-in:", guidance.countIn ? "after gaps of " + GapText(guidance.countInGapMs) : "off");
    AppendLine(out, "Instrumental:",
               guidance.notice ? "\"" + Printable(guidance.noticeText) + "\" in gaps of " + GapText(guidance.noticeGapMs)
                               : "off");

    out += "\nPages: " + std::to_string(song.PageCount()) + "\n";
    for (const auto& page : song.pages) {
        out += "  " + std::string(PageKindName(page->kind)) + " (" + std::to_string(page->kind) + "): ";
        out += page->enabled ? "enabled" : "disabled";
        out += ", draw " + std::to_string(page->drawTransition) + " " + TransitionText(page->drawTransition);
        out += ", erase " + std::to_string(page->eraseTransition) + " " + TransitionText(page->eraseTransition);
        out += ", hold " + HundredthsText(page->holdTime) + " s\n";
        if (page->text.empty()) {
            out += "    (no text)\n";
            continue;
        }
        // Page text lines are separated by line feeds; a carriage return before one is no content.
        const std::vector<LineFit> fits = page->kind == kPageLyrics ? std::vector<LineFit>{} : MeasurePageText(*page);
        auto fit = fits.begin();
        size_t begin = 0;
        for (;;) {
            const size_t lf = page->text.find('\n', begin);
            std::string_view textLine = std::string_view(page->text).substr(begin, lf == std::string::npos ? std::string::npos : lf - begin);
            if (!textLine.empty() && textLine.back() == '\r') textLine.remove_suffix(1);
            out += "    | " + Printable(textLine);
            if (fit != fits.end() && !(fit++)->Fits()) out += "    [" + TooWideText(*std::prev(fit)) + "]";
            out += "\n";
            if (lf == std::string::npos) break;
            begin = lf + 1;
        }
    }

    out += "\nLines: " + std::to_string(song.LineCount());
    if (!song.lines.empty()) {
        // Page numbers come from the file: any int32 pair must not overflow here.
        const int64_t pages = int64_t(song.HighestPageNumber()) - song.LowestPageNumber() + 1;
        out += " on " + std::to_string(pages) + (pages == 1 ? " page" : " pages");
    }
    out += "\n";
    size_t number = 0;
    for (const auto& line : song.lines) {
        out += "  Line " + std::to_string(++number) + ": page " + std::to_string(line->page) + " slot " +
               std::to_string(line->slot) + ", " + (line->placed ? "placed" : "not placed") + ", " +
               ColourText(line->colour);
        if (line->newPageBefore) out += ", new page before";
        if (line->secondSinger) out += ", second singer";
        if (const LineFit fit = MeasureLyricLine(song, line->text); !fit.Fits()) out += ", " + TooWideText(fit);
        out += "\n    \"" + Printable(line->text) + "\"\n";
        for (const MKaraokeWord* word : line->words) {
            out += "      " + FormatSongTime(word->start) + " - " + FormatSongTime(word->end) + "  " +
                   Printable(WordText(*line, *word));
            if (word->flags & kWordJoinsNext) out += kMarkSyllable; // as the user typed it
            out += "\n";
        }
    }
    return out;
}

std::string JsonReport(const KaraokeSong& song, const std::string& path, int32_t version, bool musicMissing)
{
    std::string out;
    JsonWriter json(out);
    json.BeginObject();
    json.Field("file", path);
    json.Field("version", version);
    json.Field("singers", song.settings.singerCount);
    json.Field("linesPerPage", song.settings.linesPerPage);
    json.Field("artist", song.artist);
    json.Field("title", song.title);
    // Paths are the file system's bytes, as they are (the writer marks bytes that are not UTF-8).
    json.Field("music", song.musicPath);
    json.Field("musicMissing", musicMissing);
    json.Key("singerDescriptions");
    json.BeginArray(true);
    for (const std::string& description : song.singerDescriptions) json.String(description);
    json.EndArray();
    json.Field("sweepKind", song.settings.sweepKind);
    json.Field("sweepColour", song.settings.sweepColour);
    // The stored number as the file holds it, and the advance the stream applies (half of it).
    json.Field("advanceSweep", song.settings.advanceSweep);
    json.Field("advanceSweepSeconds", SweepAdvance::FromStored(song.settings.advanceSweep).AppliedSeconds());
    json.Field("eraseLinesFromBottom", song.eraseLinesFromBottom);
    json.Field("sweepEntireWord", song.sweepEntireWord);
    json.Key("guidance");
    json.BeginObject(true);
    json.Field("countIn", song.guidance.countIn);
    json.Field("countInGapMs", song.guidance.countInGapMs);
    json.Field("notice", song.guidance.notice);
    json.Field("noticeGapMs", song.guidance.noticeGapMs);
    json.Field("noticeText", song.guidance.noticeText);
    json.EndObject();

    json.Key("pages");
    json.BeginArray();
    for (const auto& page : song.pages) {
        json.BeginObject();
        json.Field("kind", page->kind);
        json.Field("name", PageKindKey(page->kind));
        json.Field("enabled", page->enabled != 0);
        json.Field("drawTransition", page->drawTransition);
        json.Field("eraseTransition", page->eraseTransition);
        json.Field("hold", page->holdTime);
        json.Field("hasGraphic", page->hasGraphic != 0);
        json.Field("displayMode", page->displayMode);
        json.Field("graphicShare", page->graphicShare);
        json.Field("lineStyles", static_cast<uint64_t>(page->lineStyles.Count()));
        json.Field("text", page->text);
        if (page->kind != kPageLyrics) {
            json.Key("textLines");
            json.BeginArray();
            for (const LineFit& fit : MeasurePageText(*page)) {
                json.BeginObject(true);
                json.Field("text", fit.text);
                json.Field("width", fit.width);
                json.Field("fits", fit.Fits());
                json.EndObject();
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();

    json.Key("lines");
    json.BeginArray();
    for (const auto& line : song.lines) {
        json.BeginObject();
        json.Field("page", line->page);
        json.Field("slot", line->slot);
        json.Field("text", line->text);
        json.Field("placed", line->placed != 0);
        json.Field("colour", line->colour);
        json.Field("newPageBefore", line->newPageBefore != 0);
        json.Field("secondSinger", line->secondSinger != 0);
        const LineFit fit = MeasureLyricLine(song, line->text);
        json.Field("width", fit.width);
        json.Field("fits", fit.Fits());
        json.Field("drawTime", line->drawTime);
        json.Field("eraseTime", line->eraseTime);
        json.Key("words");
        json.BeginArray();
        for (const MKaraokeWord* word : line->words) {
            json.BeginObject(true);
            json.Field("first", word->first);
            json.Field("last", word->last);
            json.Field("start", word->start);
            json.Field("end", word->end);
            json.Field("flags", word->flags);
            json.Field("text", WordText(*line, *word));
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return out;
}

} // namespace

int RunInfoCommand(const CliArgs& args)
{
    CliOptions parsed("info", kUsage, {{"json", 0, false}});
    if (const auto status = CliOptions::ExitFor(parsed.Parse(args))) return *status;
    if (parsed.Operands().empty()) return parsed.Refuse("which project file?");
    if (parsed.Operands().size() > 1) return parsed.Refuse("only one project file, please");
    struct {
        std::string path;
        bool json;
    } const options{parsed.Operands()[0], parsed.Has("json")};

    StderrUserPrompt prompt;
    prompt.SetCommand("info");
    SongDocument doc;
    const KaraokeSong& song = doc.Song();
    if (!OpenCliProject(doc, options.path, prompt)) return 1;
    int32_t version = 0;
    if (!ReadFileVersion(options.path, version)) {
        prompt.Message(kMsgCannotOpenProject, kAppCaption, PromptIcon::Warning);
        return 1;
    }

    const bool musicMissing = doc.MusicMissing();
    const std::string report = options.json ? JsonReport(song, options.path, version, musicMissing)
                                            : TextReport(song, options.path, version, musicMissing);
    std::fwrite(report.data(), 1, report.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        CliConsole::Error("tessavox-cli info: cannot write the report\n");
        return 1;
    }
    return 0;
}
