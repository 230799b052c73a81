#include "project/MSongSettings.h"

#include <algorithm>
#include <new>
#include <vector>

#include "audio/MusicImport.h"
#include "audio/WavInFile.h"
#include "audio/WavOutFile.h"
#include "audio/WavTexts.h"
#include "audio/WaveStreamReader.h"
#include "media/ReplacingFile.h"
#include "project/ColourSlots.h"
#include "project/ProjectFile.h"
#include "text/UserPrompt.h"

namespace {

constexpr const char* kMsgResizeMusicFailed = "Unable to change the length of the music work file\n";
constexpr const char* kMsgCannotReplaceWorkFile = "The new work file could not be written or put in place.";
// Samples copied per step when the work file is rewritten.
constexpr size_t kCopySamples = size_t(64) << 10;

} // namespace

MSongSettings::MSongSettings(std::string path) : projectPath(std::move(path))
{
    RestoreDefaults();
}

MSongSettings::~MSongSettings() = default;

void MSongSettings::RestoreDefaults()
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

void MSongSettings::CopySettingsFrom(const MSongSettings& other)
{
    projectPath = other.projectPath;
    modified = other.modified;
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

std::unique_ptr<MSongSettings> MSongSettings::Copy() const
{
    auto copy = std::make_unique<MSongSettings>(projectPath);
    copy->CopySettingsFrom(*this);
    copy->prompt = prompt;
    return copy;
}

void MSongSettings::AssignSettings(const MSongSettings& other)
{
    if (&other == this) return;
    CopySettingsFrom(other);
    CalcLineAndPageNumbers();
    if (onModifiedChanged) onModifiedChanged();
}

void MSongSettings::AddPage(const IMAGE_STRUCT& page)
{
    pages.push_back(std::make_unique<IMAGE_STRUCT>(page));
}

IMAGE_STRUCT* MSongSettings::FindPage(int32_t kind)
{
    for (auto& page : pages)
        if (page->kind == kind) return page.get();
    return nullptr;
}

const IMAGE_STRUCT* MSongSettings::FindPage(int32_t kind) const
{
    return const_cast<MSongSettings*>(this)->FindPage(kind);
}

IMAGE_STRUCT* MSongSettings::PageAt(size_t index)
{
    return index < pages.size() ? pages[index].get() : nullptr;
}

const IMAGE_STRUCT* MSongSettings::PageAt(size_t index) const
{
    return index < pages.size() ? pages[index].get() : nullptr;
}

MKaraokeLine* MSongSettings::LineAt(size_t index)
{
    return index < lines.size() ? lines[index].get() : nullptr;
}

const MKaraokeLine* MSongSettings::LineAt(size_t index) const
{
    return index < lines.size() ? lines[index].get() : nullptr;
}

int MSongSettings::LowestPageNumber() const
{
    int lowest = 0;
    for (const auto& line : lines) lowest = std::min(lowest, int(line->page));
    return lowest;
}

int MSongSettings::HighestPageNumber() const
{
    int highest = 0;
    for (const auto& line : lines) highest = std::max(highest, int(line->page));
    return highest;
}

void MSongSettings::ClearLines()
{
    lines.clear();
    words.clear();
}

MKaraokeLine& MSongSettings::AppendLine()
{
    lines.push_back(std::make_unique<MKaraokeLine>());
    return *lines.back();
}

MKaraokeWord& MSongSettings::AppendWord(MKaraokeLine& line)
{
    words.push_back(std::make_unique<MKaraokeWord>());
    MKaraokeWord& word = *words.back();
    word.line = &line;
    line.words.push_back(&word);
    return word;
}

void MSongSettings::SetLinesPerPage(int32_t count)
{
    SetModified(true);
    settings.linesPerPage = count;
    CalcLineAndPageNumbers();
}

void MSongSettings::SetSingerDescription(int index, const std::string& text)
{
    if (index < 0 || index > 2) return;
    singerDescriptions[static_cast<size_t>(index)] = text;
}

void MSongSettings::SetModified(bool value)
{
    modified = value ? 1 : 0;
    if (onModifiedChanged) onModifiedChanged();
}

bool MSongSettings::LyricsPlaced() const
{
    if (isPlaying && isPlaying()) return false;
    if (lyricText.empty()) return false;
    return std::any_of(words.begin(), words.end(), [](const auto& w) { return w->start != 0; });
}

bool MSongSettings::Save()
{
    return SaveProject(*this);
}

bool MSongSettings::Load()
{
    return LoadProject(*this);
}

uint32_t MSongSettings::StreamBufferBytes(uint32_t musicBytes)
{
    return (musicBytes / kCdSectorAudioBytes + kStreamReserveSectors) * kCdSectorSubcodeBytes;
}

void MSongSettings::SetMusicPath(const std::string& path, const std::string& workPath)
{
    musicPath = path;
    musicWorkPath = workPath;
    SetModified(true);
    RebuildStreamBuffer();
}

void MSongSettings::ReleaseStreamBuffer()
{
    std::vector<uint8_t>().swap(streamBuffer);
    musicDataBytes = 0;
    firstMusicDataBytes = 0;
}

bool MSongSettings::RebuildStreamBuffer()
{
    ReleaseStreamBuffer();
    // The reader knows the data bytes from the header, limited to what the file holds: the
    // count a full read would give, without reading the music.
    WaveStreamReader reader;
    if (MusicWorkPath().empty() || !reader.Open(MusicWorkPath())) return false;
    const uint32_t bytes = reader.DataBytes();
    try {
        streamBuffer.assign(StreamBufferBytes(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    musicDataBytes = bytes;
    firstMusicDataBytes = bytes;
    return true;
}

bool MSongSettings::ResizeMusic(uint32_t length)
{
    const std::string path = MusicWorkPath();
    // Music used where it lies (a WAV with no work file of its own) is the user's file and is
    // never rewritten: the resized music goes to the temporary work file, which the song then
    // plays from.
    const std::string workTarget = musicWorkPath.empty() ? MusicImport::DefaultWorkFilePath() : musicWorkPath;
    bool rewritten = false;
    auto fail = [&](const std::string& why) {
        PromptOrSilent(prompt).Message(kMsgResizeMusicFailed + path + "\n\n" + why, kAppCaption, PromptIcon::Warning);
        return false;
    };

    WavInFile in;
    if (path.empty() || !in.Open(path)) return fail(in.FailureText());
    const uint32_t sampleBytes = in.BitsPerSample() / 8;
    const uint32_t frameBytes = sampleBytes * in.Channels();
    // Whole sample frames only: a partial frame at the end would make every reader of the
    // file drop it or misread it. Round up so that the music still covers the stream.
    uint64_t target = (uint64_t(length) + frameBytes - 1) / frameBytes * frameBytes;
    if (target > kMaxWavOutDataBytes) target = uint64_t(kMaxWavOutDataBytes) / frameBytes * frameBytes;
    const auto newLength = static_cast<uint32_t>(target);

    std::vector<uint8_t> resized;
    try {
        resized = streamBuffer;
        resized.resize(StreamBufferBytes(newLength), 0);
    } catch (const std::bad_alloc&) {
        return fail("Not enough memory for the stream buffer.");
    }

    // A header that claims more than the file holds is rewritten too, so that it tells the truth.
    if (newLength != in.DataBytes() || newLength != in.Header().dataSize) {
        ReplacingFile replacement(workTarget);
        WavOutFile out;
        if (!replacement.Create()) return fail(kMsgCannotReplaceWorkFile);
        if (!out.Create(replacement.TempPath(), in.SampleRate(), in.BitsPerSample(), in.Channels()))
            return fail(out.FailureText());
        const uint32_t keep = std::min(newLength, in.DataBytes() / frameBytes * frameBytes);
        std::vector<int16_t> samples(kCopySamples);
        uint64_t copied = 0;
        while (copied < keep) {
            const size_t want = std::min<uint64_t>(samples.size(), (keep - copied) / sampleBytes);
            const size_t got = in.Read(std::span<int16_t>(samples.data(), want));
            if (got == 0) return fail(kMsgWavReadFailed);
            if (!out.Write(std::span<const int16_t>(samples.data(), got))) return fail(out.FailureText());
            copied += uint64_t(got) * sampleBytes;
        }
        std::fill(samples.begin(), samples.end(), int16_t(0));
        while (copied < newLength) {
            const size_t count = std::min<uint64_t>(samples.size(), (newLength - copied) / sampleBytes);
            if (!out.Write(std::span<const int16_t>(samples.data(), count))) return fail(out.FailureText());
            copied += uint64_t(count) * sampleBytes;
        }
        in.Close();
        if (!out.Close()) return fail(out.FailureText());
        if (!replacement.Commit()) return fail(kMsgCannotReplaceWorkFile);
        rewritten = true;
    }

    // Count again from the file as it now stands.
    WaveStreamReader check;
    if (!check.Open(rewritten ? workTarget : path)) return fail(check.FailureText());
    if (check.DataBytes() != newLength) return fail(kMsgCannotReplaceWorkFile);
    if (rewritten) musicWorkPath = workTarget;
    musicDataBytes = newLength;
    streamBuffer.swap(resized);
    return true;
}
