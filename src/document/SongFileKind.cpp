#include "document/SongFileKind.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "lyrics/LyricImport.h"

namespace {

constexpr const char* kProjectExtension = ".tvx";
// Audio that FFmpeg decodes and the music import converts (a WAV of the work format is played
// where it lies).
constexpr const char* kMusicExtensions[] = {".wav", ".mp3", ".wma", ".flac", ".ogg", ".oga", ".opus",
                                            ".m4a", ".aac", ".aif", ".aiff", ".mp2", ".ape", ".wv"};
constexpr const char* kLyricExtensions[] = {".txt", ".lrc", ".kar", ".mid", ".midi"};

std::string LowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

template <size_t N>
std::string Joined(const char* const (&list)[N])
{
    std::string text;
    for (const char* ext : list) text += (text.empty() ? "" : " ") + std::string(ext);
    return text;
}

} // namespace

SongFileKind SongFileKindOf(const std::string& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == kProjectExtension) return SongFileKind::Project;
    // Import Lyrics' own rule decides what is a lyric file.
    if (LyricKindOf(path) != LyricFileKind::Other) return SongFileKind::Lyrics;
    if (std::find(std::begin(kMusicExtensions), std::end(kMusicExtensions), ext) != std::end(kMusicExtensions))
        return SongFileKind::Music;
    return SongFileKind::Other;
}

std::string SongFileExtensions(SongFileKind kind)
{
    switch (kind) {
    case SongFileKind::Project: return kProjectExtension;
    case SongFileKind::Music: return Joined(kMusicExtensions);
    case SongFileKind::Lyrics: return Joined(kLyricExtensions);
    case SongFileKind::Other: break;
    }
    return {};
}
