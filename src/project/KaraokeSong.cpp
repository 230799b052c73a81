#include "project/KaraokeSong.h"

#include <algorithm>
#include <new>
#include <vector>

#include "media/WavConstants.h"
#include "media/WavTexts.h"
#include "media/WaveStreamReader.h"
#include "project/ColourSlots.h"
#include "text/UserPrompt.h"

namespace {

constexpr const char* kMsgResizeMusicFailed = "Unable to change the length of the music work file\n";

} // namespace

KaraokeSong::KaraokeSong(std::string path) : projectPath(std::move(path))
{
    RestoreDefaults();
}

KaraokeSong::~KaraokeSong() = default;

void KaraokeSong::RestoreDefaults()
{
    settings = SettingsBlock{};
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
    copy->prompt = prompt;
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

uint32_t KaraokeSong::StreamBufferBytes(uint32_t musicBytes)
{
    return (musicBytes / kCdSectorAudioBytes + kStreamReserveSectors) * kCdSectorSubcodeBytes;
}

void KaraokeSong::SetMusicPath(const std::string& path, const std::string& workPath)
{
    musicPath = path;
    musicWorkPath = workPath;
    RebuildStreamBuffer();
}

bool KaraokeSong::UseMusicWorkFile(const std::string& workPath)
{
    musicWorkPath = workPath;
    return RebuildStreamBuffer();
}

void KaraokeSong::ReleaseStreamBuffer()
{
    std::vector<uint8_t>().swap(streamBuffer);
    musicDataBytes = 0;
    firstMusicDataBytes = 0;
    musicFrameBytes = kCdFrameBytes;
}

bool KaraokeSong::RebuildStreamBuffer()
{
    ReleaseStreamBuffer();
    // The reader knows the data bytes from the header, limited to what the file holds: the
    // count a full read would give, without reading the music.
    WaveStreamReader reader;
    if (MusicWorkPath().empty() || !reader.Open(MusicWorkPath())) return false;
    const uint32_t bytes = reader.DataBytes();
    const uint32_t frameBytes = std::max<uint32_t>(1, reader.Format().FrameBytes());
    try {
        // The buffer follows the music's time, whatever its file's frames take.
        streamBuffer.assign(StreamBufferBytes(uint32_t(std::min<uint64_t>(uint64_t(bytes) / frameBytes * kCdFrameBytes,
                                                                          UINT32_MAX))),
                            0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    musicDataBytes = bytes;
    firstMusicDataBytes = bytes;
    musicFrameBytes = frameBytes;
    return true;
}

static_assert(kFileLength == UINT32_MAX, "MusicPlayBytes stands for the file's own length");

bool KaraokeSong::ResizeMusic(uint32_t length)
{
    const std::string& path = MusicWorkPath();
    auto fail = [&](const std::string& why) {
        PromptOrSilent(prompt).Message(kMsgResizeMusicFailed + path + "\n\n" + why, kAppCaption, PromptIcon::Warning);
        return false;
    };
    // Only the header is read: the music keeps its file, and whatever the song needs beyond the
    // file's samples is read as silence by the player and the exports.
    WaveStreamReader music;
    if (path.empty() || !music.Open(path)) return fail(music.FailureText());
    const uint32_t frameBytes = std::max<uint32_t>(1, music.Format().FrameBytes());
    // Whole sample frames only, rounded up so that the music still covers the stream.
    uint64_t target = (uint64_t(length) + frameBytes - 1) / frameBytes * frameBytes;
    if (target > kMaxWavOutDataBytes) target = uint64_t(kMaxWavOutDataBytes) / frameBytes * frameBytes;
    const auto newLength = static_cast<uint32_t>(target);

    std::vector<uint8_t> resized;
    try {
        resized = streamBuffer;
        resized.resize(StreamBufferBytes(uint32_t(
                           std::min<uint64_t>(uint64_t(newLength) / frameBytes * kCdFrameBytes, UINT32_MAX))),
                       0);
    } catch (const std::bad_alloc&) {
        return fail("Not enough memory for the stream buffer.");
    }
    musicDataBytes = newLength;
    musicFrameBytes = frameBytes;
    streamBuffer.swap(resized);
    return true;
}
