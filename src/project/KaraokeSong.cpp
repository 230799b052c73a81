#include "project/KaraokeSong.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "media/WaveStreamReader.h"
#include "project/ColourSlots.h"

KaraokeSong::KaraokeSong(std::string path) : projectPath(std::move(path))
{
    RestoreDefaults();
}

KaraokeSong::~KaraokeSong() = default;

void KaraokeSong::RestoreDefaults()
{
    settings = SettingsBlock{};
    guidance = SingerGuidance{};
    musicPath.clear();
    musicWorkPath.clear();
    lyricText.clear();
    pages.clear();

    IMAGE_STRUCT page;
    page.displayMode = 0;
    page.hasGraphic = 0;
    page.drawTransition = 0;
    page.eraseTransition = 0;
    page.holdTime = 200;
    page.style.colour = kSlotText;
    page.style.size = 26;
    page.style.style = kStyleBold;
    page.style.hAlign = kAlignCentre;
    page.style.vAlign = kAlignMiddle;
    page.style.shadowColour = kSlotShadow;
    page.enabled = 0;
    page.graphic.SetColour(kSlotText, 255, 255, 255);
    page.graphic.SetColour(kSlotShadow, 0, 0, 0);
    page.graphic.SetColour(kSlotSweep, 255, 238, 0);
    page.graphic.SetColour(kSlotBorder, 0, 17, 102);
    page.graphic.SetColour(kSlotBackground, 0, 17, 102);

    page.kind = kPageTitle;
    AddPage(page);
    page.kind = kPageCredits;
    AddPage(page);

    page.kind = kPageLyrics;
    page.style.hAlign = kAlignLeft;
    page.graphic.SetColour(kSlotText, 128, 255, 255);
    page.graphic.SetColour(kSlotSinger2, 255, 128, 255);
    page.graphic.SetColour(kSlotBoth, 64, 255, 0);
    page.style.size = 24;
    AddPage(page);
}

void KaraokeSong::CopySettingsFrom(const KaraokeSong& other)
{
    projectPath = other.projectPath;
    settings = other.settings;
    guidance = other.guidance;
    lyricText = other.lyricText;
    musicPath = other.musicPath;
    musicWorkPath = other.musicWorkPath;
    eraseLinesFromBottom = other.eraseLinesFromBottom;
    sweepEntireWord = other.sweepEntireWord;
    artist = other.artist;
    title = other.title;
    pages.clear();
    for (const auto& page : other.pages) AddPage(*page);
}

std::unique_ptr<KaraokeSong> KaraokeSong::Copy() const
{
    auto copy = std::make_unique<KaraokeSong>(projectPath);
    copy->CopySettingsFrom(*this);
    return copy;
}

std::unique_ptr<KaraokeSong> KaraokeSong::DeepCopy() const
{
    auto copy = std::make_unique<KaraokeSong>(projectPath);
    copy->CopySettingsFrom(*this);
    copy->singerDescriptions = singerDescriptions;
    copy->musicDataBytes = musicDataBytes;
    copy->musicFrameBytes = musicFrameBytes;
    // The lines and words refer to each other: each copy is found by its original.
    std::unordered_map<const MKaraokeLine*, MKaraokeLine*> lineCopies;
    std::unordered_map<const MKaraokeWord*, MKaraokeWord*> wordCopies;
    for (const auto& line : lines) {
        copy->lines.push_back(std::make_unique<MKaraokeLine>(*line));
        lineCopies[line.get()] = copy->lines.back().get();
    }
    for (const auto& word : words) {
        copy->words.push_back(std::make_unique<MKaraokeWord>(*word));
        MKaraokeWord& copied = *copy->words.back();
        wordCopies[word.get()] = &copied;
        const auto owner = lineCopies.find(word->line);
        copied.line = owner != lineCopies.end() ? owner->second : nullptr;
    }
    for (auto& line : copy->lines)
        for (Link<MKaraokeWord>& word : line->words) {
            const auto copied = wordCopies.find(word.get());
            word = copied != wordCopies.end() ? copied->second : nullptr;
        }
    for (auto& line : copy->lines) std::erase(line->words, nullptr);
    return copy;
}

void KaraokeSong::AssignSettings(const KaraokeSong& other)
{
    if (&other == this) return;
    CopySettingsFrom(other);
    CalcLineAndPageNumbers();
}

void KaraokeSong::AddPage(const IMAGE_STRUCT& page)
{
    pages.push_back(std::make_unique<IMAGE_STRUCT>(page));
}

IMAGE_STRUCT* KaraokeSong::FindPage(int32_t kind)
{
    for (auto& page : pages)
        if (page->kind == kind) return page.get();
    return nullptr;
}

const IMAGE_STRUCT* KaraokeSong::FindPage(int32_t kind) const
{
    return const_cast<KaraokeSong*>(this)->FindPage(kind);
}

IMAGE_STRUCT* KaraokeSong::PageAt(size_t index)
{
    return index < pages.size() ? pages[index].get() : nullptr;
}

const IMAGE_STRUCT* KaraokeSong::PageAt(size_t index) const
{
    return index < pages.size() ? pages[index].get() : nullptr;
}

MKaraokeLine* KaraokeSong::LineAt(size_t index)
{
    return index < lines.size() ? lines[index].get() : nullptr;
}

const MKaraokeLine* KaraokeSong::LineAt(size_t index) const
{
    return index < lines.size() ? lines[index].get() : nullptr;
}

int KaraokeSong::LowestPageNumber() const
{
    int lowest = 0;
    for (const auto& line : lines) lowest = std::min(lowest, int(line->page));
    return lowest;
}

int KaraokeSong::HighestPageNumber() const
{
    int highest = 0;
    for (const auto& line : lines) highest = std::max(highest, int(line->page));
    return highest;
}

void KaraokeSong::ClearLines()
{
    lines.clear();
    words.clear();
}

MKaraokeLine& KaraokeSong::AppendLine()
{
    lines.push_back(std::make_unique<MKaraokeLine>());
    return *lines.back();
}

MKaraokeWord& KaraokeSong::AppendWord(MKaraokeLine& line)
{
    words.push_back(std::make_unique<MKaraokeWord>());
    MKaraokeWord& word = *words.back();
    word.line = &line;
    line.words.push_back(&word);
    return word;
}

void KaraokeSong::SetLinesPerPage(int32_t count)
{
    settings.linesPerPage = count;
    CalcLineAndPageNumbers();
}

void KaraokeSong::SetSingerDescription(int index, const std::string& text)
{
    if (index < 0 || index > 2) return;
    singerDescriptions[static_cast<size_t>(index)] = text;
}

bool KaraokeSong::LyricsPlaced() const
{
    if (isPlaying && isPlaying()) return false;
    if (lyricText.empty()) return false;
    return std::any_of(words.begin(), words.end(), [](const auto& w) { return w->start != 0; });
}

void KaraokeSong::SetMusicPath(const std::string& path, const std::string& workPath)
{
    musicPath = path;
    musicWorkPath = workPath;
    CountMusic();
}

bool KaraokeSong::UseMusicWorkFile(const std::string& workPath)
{
    musicWorkPath = workPath;
    return CountMusic();
}

void KaraokeSong::ClearMusicCount()
{
    musicDataBytes = 0;
    musicFrameBytes = kCdFrameBytes;
}

bool KaraokeSong::CountMusic()
{
    ClearMusicCount();
    // The reader knows the data bytes from the header, limited to what the file holds: the
    // count a full read would give, without reading the music.
    WaveStreamReader reader;
    if (MusicWorkPath().empty() || !reader.Open(MusicWorkPath())) return false;
    musicDataBytes = reader.DataBytes();
    musicFrameBytes = std::max<uint32_t>(1, reader.Format().FrameBytes());
    return true;
}

static_assert(kFileLength == UINT32_MAX, "MusicPlayBytes stands for the file's own length");
