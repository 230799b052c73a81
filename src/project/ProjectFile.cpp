#include "project/ProjectFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "media/AtomicFile.h"
#include "media/ByteOrder.h"
#include "media/ByteReader.h"
#include "media/ByteWriter.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"
#include "text/Cp1252.h"
#include "text/UserPrompt.h"
#include "text/Utf8.h"

namespace {

// A project larger than this is not one we wrote: pages are a quarter megabyte each,
// and lyrics are text.
constexpr size_t kMaxProjectBytes = size_t(512) << 20;
constexpr size_t kVersion500PageTrailer = 16;
// What the settings block of any song holds, however new its program: a few singers, a
// handful of lines per page, one of a few sweep kinds. A file whose first words lie outside
// these is not a project at all, whatever its version word says.
constexpr int32_t kMaxPlausibleSingers = 9;
constexpr int32_t kMaxPlausibleLinesPerPage = 99;
constexpr int32_t kMaxPlausibleSweepKind = 9;
constexpr size_t kVersionBytes = 4;
constexpr size_t kPlausibleWordsBytes = 16; // version, singers, lines per page, sweep kind

void WriteInfoHeader(ByteWriter& out, const BitmapInfoHeader& h)
{
    out.U32(h.size);
    out.I32(h.width);
    out.I32(h.height);
    out.U16(h.planes);
    out.U16(h.bitCount);
    out.U32(h.compression);
    out.U32(h.sizeImage);
    out.I32(h.xPelsPerMeter);
    out.I32(h.yPelsPerMeter);
    out.U32(h.clrUsed);
    out.U32(h.clrImportant);
}

bool ReadInfoHeader(ByteReader& in, BitmapInfoHeader& h)
{
    return in.U32(h.size) && in.I32(h.width) && in.I32(h.height) && in.U16(h.planes) && in.U16(h.bitCount) &&
           in.U32(h.compression) && in.U32(h.sizeImage) && in.I32(h.xPelsPerMeter) && in.I32(h.yPelsPerMeter) &&
           in.U32(h.clrUsed) && in.U32(h.clrImportant);
}

void WriteTextStyle(ByteWriter& out, const MTextType& s, bool cp1252)
{
    out.U32(0); // object header: no meaning outside one run
    if (cp1252) {
        MTextType converted;
        converted.SetFaceName(Utf8ToCp1252(s.FaceName()));
        out.Bytes(converted.faceName, kFaceNameBytes);
    } else {
        out.Bytes(s.faceName, kFaceNameBytes);
    }
    out.I32(s.colour);
    out.I32(s.size);
    out.I32(s.style);
    out.I32(s.hAlign);
    out.I32(s.vAlign);
    out.I32(s.shadowColour);
    out.I32(s.backgroundBox);
    out.I32(s.backgroundBoxColour);
}

bool ReadTextStyle(ByteReader& in, MTextType& s)
{
    if (!in.Skip(4) || !in.Bytes(s.faceName, kFaceNameBytes)) return false;
    s.faceName[kFaceNameBytes - 1] = 0;
    return in.I32(s.colour) && in.I32(s.size) && in.I32(s.style) && in.I32(s.hAlign) && in.I32(s.vAlign) &&
           in.I32(s.shadowColour) && in.I32(s.backgroundBox) && in.I32(s.backgroundBoxColour);
}

// The Windows-1252 index of the character at a UTF-8 byte offset of text (every character is one
// byte there); an offset past the end counts on in bytes, and one below 0 stays as it is.
int32_t Cp1252Index(std::string_view text, int32_t offset)
{
    if (offset <= 0) return offset;
    if (size_t(offset) >= text.size()) return int32_t(CodePointCount(text)) + (offset - int32_t(text.size()));
    return int32_t(CodePointCount(text.substr(0, size_t(offset))));
}

// The UTF-8 byte offset of the character at a Windows-1252 index of the same text (before: its
// UTF-8 offsets, one per character and one for the end).
int32_t Utf8Offset(const std::vector<int32_t>& before, int32_t index)
{
    if (index <= 0) return index;
    const int32_t n = int32_t(before.size()) - 1;
    return index <= n ? before[size_t(index)] : before.back() + (index - n);
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

void WriteLine(ByteWriter& out, const MKaraokeLine& line, bool cp1252)
{
    if (cp1252 && !IsAscii(line.text)) {
        out.I32(line.page);
        out.I32(line.drawTime);
        out.I32(line.eraseTime);
        out.I32(line.slot);
        out.U8(line.placed);
        out.U8(line.newPageBefore);
        out.I32(line.colour);
        out.U8(line.secondSinger);
        out.String(Utf8ToCp1252(line.text));
        out.U32(static_cast<uint32_t>(line.words.size()));
        for (const MKaraokeWord* word : line.words) {
            MKaraokeWord w = *word;
            w.first = Cp1252Index(line.text, word->first);
            w.last = Cp1252Index(line.text, word->last + 1) - 1;
            WriteWordElement(out, w);
        }
        return;
    }
    out.I32(line.page);
    out.I32(line.drawTime);
    out.I32(line.eraseTime);
    out.I32(line.slot);
    out.U8(line.placed);
    out.U8(line.newPageBefore);
    out.I32(line.colour);
    out.U8(line.secondSinger);
    out.String(line.text);
    out.U32(static_cast<uint32_t>(line.words.size()));
    for (const MKaraokeWord* word : line.words) WriteWordElement(out, *word);
}

bool ReadWordElement(ByteReader& in, MKaraokeWord& w)
{
    return in.I32(w.first) && in.I32(w.last) && in.U32(w.start) && in.U32(w.end) && in.Skip(4) &&
           in.I32(w.boxLeft) && in.I32(w.boxTop) && in.I32(w.boxRight) && in.I32(w.boxBottom) && in.U32(w.flags);
}

// The guidance settings that follow the lines of a version 800 file. The gaps are kept within
// what the settings take; the notice's text is UTF-8 like every string of the file.
void WriteGuidance(ByteWriter& out, const SingerGuidance& g)
{
    out.U8(g.countIn ? 1 : 0);
    out.I32(g.countInGapMs);
    out.U8(g.notice ? 1 : 0);
    out.I32(g.noticeGapMs);
    out.String(g.noticeText);
}

bool ReadGuidance(ByteReader& in, SingerGuidance& g)
{
    uint8_t countIn = 0, notice = 0;
    if (!in.U8(countIn) || !in.I32(g.countInGapMs) || !in.U8(notice) || !in.I32(g.noticeGapMs) ||
        !in.String(g.noticeText))
        return false;
    g.countIn = countIn != 0;
    g.notice = notice != 0;
    g.KeepGapsInRange();
    g.noticeText = ToValidUtf8(g.noticeText);
    return true;
}

// Reads everything after the settings block into staged. False on a short read.
bool ReadBody(ByteReader& in, int32_t version, KaraokeSong& staged)
{
    const bool current = version >= kProjectVersion;
    if (!in.String(staged.lyricText) || !in.String(staged.musicPath)) return false;
    if (current) {
        if (!in.I32(staged.eraseLinesFromBottom) || !in.U32(staged.sweepEntireWord) || !in.String(staged.artist) ||
            !in.String(staged.title))
            return false;
        for (auto& description : staged.singerDescriptions)
            if (!in.String(description)) return false;
    }

    staged.ClearPages();
    uint32_t pageCount = 0;
    if (!in.U32(pageCount)) return false;
    for (uint32_t i = 0; i < pageCount; ++i) {
        if (in.Left() < kPageImageBytes) return false; // before allocating a page
        IMAGE_STRUCT page;
        if (!ReadPageImage(in, page)) return false;
        if (version == 500 && !in.Skip(kVersion500PageTrailer)) return false;
        page.singerColours.Reset();
        if (current) {
            uint32_t styleCount = 0;
            if (!in.U32(styleCount)) return false;
            for (uint32_t s = 0; s < styleCount; ++s) {
                t_MTextTypeVer6_s style;
                if (!in.I32(style.colour) || !in.I32(style.size) || !in.I32(style.style) || !in.I32(style.hAlign) ||
                    !in.String(style.faceName))
                    return false;
                page.lineStyles.lines.push_back(std::move(style));
            }
        }
        if (!in.String(page.text)) return false;
        staged.AddPage(page);
    }

    staged.ClearLines();
    uint32_t lineCount = 0;
    if (!in.U32(lineCount)) return false;
    for (uint32_t i = 0; i < lineCount; ++i) {
        MKaraokeLine& line = staged.AppendLine();
        if (!in.I32(line.page) || !in.I32(line.drawTime) || !in.I32(line.eraseTime) || !in.I32(line.slot) ||
            !in.U8(line.placed) || !in.U8(line.newPageBefore))
            return false;
        if (version >= 500) {
            if (!in.I32(line.colour) || !in.U8(line.secondSinger)) return false;
        } else {
            line.colour = 12;
            line.secondSinger = 0;
        }
        uint32_t wordCount = 0;
        if (!in.String(line.text) || !in.U32(wordCount)) return false;
        for (uint32_t w = 0; w < wordCount; ++w) {
            if (in.Left() < kWordElementBytes) return false;
            MKaraokeWord& word = staged.AppendWord(line);
            if (!ReadWordElement(in, word)) return false;
        }
    }
    return version != kGuidanceProjectVersion || ReadGuidance(in, staged.guidance);
}

// The versions read: 400 to 600 in Windows-1252, and 700 in UTF-8 (600's layout). Between them
// lie numbers no program of ours wrote.
bool IsReadableVersion(int32_t version)
{
    return (version >= kOldestProjectVersion && version <= kProjectVersion) || version == kUnicodeProjectVersion ||
           version == kGuidanceProjectVersion;
}


// The strings of a song read from a Windows-1252 project in UTF-8, each word's character
// indices following its line's text.
void TextFromCp1252(KaraokeSong& song)
{
    song.lyricText = Cp1252ToUtf8(song.lyricText);
    song.artist = Cp1252ToUtf8(song.artist);
    song.title = Cp1252ToUtf8(song.title);
    for (auto& description : song.singerDescriptions) description = Cp1252ToUtf8(description);
    for (auto& page : song.pages) {
        page->text = Cp1252ToUtf8(page->text);
        page->style.SetFaceName(Cp1252ToUtf8(page->style.FaceName()));
        for (auto& style : page->lineStyles.lines) style.faceName = Cp1252ToUtf8(style.faceName);
    }
    for (auto& line : song.lines) {
        std::string utf8;
        std::vector<int32_t> before;
        before.reserve(line->text.size() + 1);
        for (const unsigned char c : line->text) {
            before.push_back(int32_t(utf8.size()));
            AppendUtf8(utf8, Cp1252ToCodePoint(c));
        }
        before.push_back(int32_t(utf8.size()));
        for (MKaraokeWord* w : line->words) {
            const int32_t first = Utf8Offset(before, w->first);
            w->last = Utf8Offset(before, w->last + 1) - 1;
            w->first = first;
        }
        line->text = std::move(utf8);
    }
}

// Whether bytes start as a project of some version does: one we read, or one whose settings
// words have the sizes a song's have (a real file of a newer or older program).
bool StartsLikeAProject(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kVersionBytes) return false;
    const auto word = [&bytes](size_t offset) { return static_cast<int32_t>(GetLe32(bytes.data() + offset)); };
    const int32_t version = word(0);
    if (IsReadableVersion(version)) return true;
    if (bytes.size() < kPlausibleWordsBytes) return false;
    const int32_t singers = word(4), linesPerPage = word(8), sweepKind = word(12);
    return singers >= 1 && singers <= kMaxPlausibleSingers && linesPerPage >= 1 &&
           linesPerPage <= kMaxPlausibleLinesPerPage && sweepKind >= 0 && sweepKind <= kMaxPlausibleSweepKind;
}

} // namespace

void WritePageImage(ByteWriter& out, const IMAGE_STRUCT& page, bool cp1252)
{
    out.I32(page.kind);
    out.I32(page.reserved0);
    WriteTextStyle(out, page.style, cp1252);
    out.U32(0); // picture object header
    WriteInfoHeader(out, page.graphic.header);
    for (const RgbQuad& q : page.graphic.colours) {
        out.U8(q.blue);
        out.U8(q.green);
        out.U8(q.red);
        out.U8(q.reserved);
    }
    out.Bytes(page.graphic.truePixels.data(), kTrueColourBytes);
    out.Bytes(page.graphic.indexPixels.data(), kIndexPixelBytes);
    out.U8Padded(page.graphic.conversionPending);
    out.I32(page.graphic.conversionMode);
    out.I32(page.displayMode);
    out.U8Padded(page.hasGraphic);
    out.I32(page.graphicConversionMode);
    out.I32(page.drawTransition);
    out.I32(page.eraseTransition);
    out.I32(page.backgroundColour);
    out.I32(page.borderColour);
    for (int32_t r : page.reserved1) out.I32(r);
    out.I32(page.graphicShare);
    out.I32(page.holdTime);
    out.U8Padded(page.enabled);
}

bool ReadPageImage(ByteReader& in, IMAGE_STRUCT& page)
{
    if (!in.I32(page.kind) || !in.I32(page.reserved0) || !ReadTextStyle(in, page.style) || !in.Skip(4) ||
        !ReadInfoHeader(in, page.graphic.header))
        return false;
    for (RgbQuad& q : page.graphic.colours)
        if (!in.U8(q.blue) || !in.U8(q.green) || !in.U8(q.red) || !in.U8(q.reserved)) return false;
    page.graphic.truePixels.resize(kTrueColourBytes);
    page.graphic.indexPixels.resize(kIndexPixelBytes);
    if (!in.Bytes(page.graphic.truePixels.data(), kTrueColourBytes) ||
        !in.Bytes(page.graphic.indexPixels.data(), kIndexPixelBytes))
        return false;
    bool ok = in.U8Padded(page.graphic.conversionPending) && in.I32(page.graphic.conversionMode) &&
              in.I32(page.displayMode) && in.U8Padded(page.hasGraphic) && in.I32(page.graphicConversionMode) &&
              in.I32(page.drawTransition) && in.I32(page.eraseTransition) && in.I32(page.backgroundColour) &&
              in.I32(page.borderColour);
    for (int32_t& r : page.reserved1) ok = ok && in.I32(r);
    ok = ok && in.I32(page.graphicShare) && in.I32(page.holdTime) && in.U8Padded(page.enabled);
    // Every reader of the page sees a share the lyrics can use.
    page.graphicShare = UsableGraphicShare(page.graphicShare);
    return ok;
}

void WriteWordElement(ByteWriter& out, const MKaraokeWord& w)
{
    out.I32(w.first);
    out.I32(w.last);
    out.U32(w.start);
    out.U32(w.end);
    out.U32(0); // line reference: no meaning outside one run
    out.I32(w.boxLeft);
    out.I32(w.boxTop);
    out.I32(w.boxRight);
    out.I32(w.boxBottom);
    out.U32(w.flags);
}

bool NeedsUnicodeProject(const KaraokeSong& song)
{
    if (!FitsCp1252(song.lyricText) || !FitsCp1252(song.artist) || !FitsCp1252(song.title)) return true;
    for (const auto& description : song.singerDescriptions)
        if (!FitsCp1252(description)) return true;
    for (const auto& page : song.pages) {
        if (!FitsCp1252(page->text) || !FitsCp1252(page->style.FaceName())) return true;
        for (const auto& style : page->lineStyles.lines)
            if (!FitsCp1252(style.faceName)) return true;
    }
    for (const auto& line : song.lines)
        if (!FitsCp1252(line->text)) return true;
    return false;
}

int32_t ProjectVersionFor(const KaraokeSong& song)
{
    if (song.guidance.AnyOn()) return kGuidanceProjectVersion;
    return NeedsUnicodeProject(song) ? kUnicodeProjectVersion : kProjectVersion;
}

std::vector<uint8_t> SerializeProject(const KaraokeSong& song, bool withMusicPath)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(1024 + song.pages.size() * (kPageImageBytes + 256) + song.lyricText.size() * 4);
    ByteWriter out(bytes);
    const int32_t version = ProjectVersionFor(song);
    const bool unicode = version != kProjectVersion;
    // The music's path is the file system's own bytes in either form; ASCII is the same in both.
    auto text = [unicode](const std::string& s) { return unicode || IsAscii(s) ? s : Utf8ToCp1252(s); };
    SettingsBlock block = song.settings;
    block.version = version;
    const auto settings = block.ToBytes();
    out.Bytes(settings.data(), settings.size());
    out.String(text(song.lyricText));
    out.String(withMusicPath ? song.musicPath : std::string());
    out.I32(song.eraseLinesFromBottom);
    out.U32(song.sweepEntireWord);
    out.String(text(song.artist));
    out.String(text(song.title));
    for (const auto& description : song.singerDescriptions) out.String(text(description));
    out.U32(static_cast<uint32_t>(song.pages.size()));
    for (const auto& page : song.pages) {
        WritePageImage(out, *page, !unicode);
        out.U32(static_cast<uint32_t>(page->lineStyles.lines.size()));
        for (const auto& style : page->lineStyles.lines) {
            out.I32(style.colour);
            out.I32(style.size);
            out.I32(style.style);
            out.I32(style.hAlign);
            out.String(text(style.faceName));
        }
        out.String(text(page->text));
    }
    out.U32(static_cast<uint32_t>(song.lines.size()));
    for (const auto& line : song.lines) WriteLine(out, *line, !unicode);
    if (version == kGuidanceProjectVersion) WriteGuidance(out, song.guidance);
    return bytes;
}

WorkOutcome SaveProject(const KaraokeSong& song)
{
    const std::vector<uint8_t> bytes = SerializeProject(song);
    if (!WriteFileAtomically(song.projectPath, bytes)) {
        const std::string reason = std::strerror(errno);
        std::vector<char> text(song.projectPath.size() + reason.size() + 128);
        std::snprintf(text.data(), text.size(), kMsgProjectSaveFailedFormat, song.projectPath.c_str(), reason.c_str());
        return WorkOutcome::Failed(text.data());
    }
    return WorkOutcome::Done();
}

WorkOutcome LoadProjectBytes(KaraokeSong& song, std::span<const uint8_t> bytes)
{
    try {
        if (!StartsLikeAProject(bytes)) {
            return WorkOutcome::Failed(kMsgNotAProject);
        }
        if (bytes.size() < kSettingsBlockBytes) {
            return WorkOutcome::Failed(kMsgProjectCorrupted);
        }
        const SettingsBlock block = SettingsBlock::FromBytes(bytes.data());
        if (block.version > kProjectVersion && !IsReadableVersion(block.version)) {
            return WorkOutcome::Failed(kMsgProjectTooNew);
        }
        if (block.version < kOldestProjectVersion) {
            return WorkOutcome::Failed(kMsgProjectTooOld);
        }

        KaraokeSong staged(song.projectPath);
        ByteReader in(bytes.subspan(kSettingsBlockBytes));
        if (!ReadBody(in, block.version, staged)) {
            return WorkOutcome::Failed(kMsgProjectEndsEarly);
        }
        if (block.version < kUnicodeProjectVersion)
            TextFromCp1252(staged);
        else
            staged.lyricText = ToValidUtf8(staged.lyricText); // a damaged file must not break the text

        song.settings = block;
        song.settings.version = kProjectVersion;
        song.guidance = staged.guidance;
        song.lyricText = std::move(staged.lyricText);
        song.musicPath = std::move(staged.musicPath);
        song.eraseLinesFromBottom = staged.eraseLinesFromBottom;
        song.sweepEntireWord = staged.sweepEntireWord;
        song.artist = std::move(staged.artist);
        song.title = std::move(staged.title);
        song.singerDescriptions = std::move(staged.singerDescriptions);
        song.pages = std::move(staged.pages);
        song.lines = std::move(staged.lines);
        song.words = std::move(staged.words);
        // The work file of the music that was open belongs to that music; the shell decodes
        // the new one and points the song at it.
        song.musicWorkPath.clear();
        if (!song.musicPath.empty())
            song.CountMusic();
        else
            song.ClearMusicCount();
        return WorkOutcome::Done();
    } catch (const std::exception& e) {
        char text[1024];
        std::snprintf(text, sizeof text, kMsgProjectException, e.what());
        return WorkOutcome::Failed(text);
    }
}

WorkOutcome LoadProject(KaraokeSong& song, const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxProjectBytes)) {
        return WorkOutcome::Failed(kMsgCannotOpenProject);
    }
    WorkOutcome loaded = LoadProjectBytes(song, bytes);
    if (loaded) song.projectPath = path;
    return loaded;
}

WorkOutcome LoadProject(KaraokeSong& song)
{
    return LoadProject(song, song.projectPath);
}
