#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "project/ConstPropagating.h"
#include "project/ImageStruct.h"
#include "project/MKaraokeLine.h"
#include "project/MKaraokeWord.h"
#include "project/SettingsBlock.h"
#include "project/SingerGuidance.h"

class UserPrompt;

// A sample frame of the stream's time base (44,100 Hz 16-bit stereo), as CD audio has it.
inline constexpr uint32_t kCdFrameBytes = 4;

// Everything that belongs to the open song: settings, pages, lyric text and its line list,
// singer descriptions, artist and title, and the music it plays (its CD+G stream is made from
// it by the stream writer, cdg/WriteRwMemory.h, and kept by whoever plays or exports it).
class KaraokeSong {
public:
    explicit KaraokeSong(std::string projectPath = {});
    virtual ~KaraokeSong();
    KaraokeSong(const KaraokeSong&) = delete;
    KaraokeSong& operator=(const KaraokeSong&) = delete;

    // Settings block, music path, lyric text and the three default pages of a new song.
    void RestoreDefaults();
    // A working copy for the settings dialog: settings, strings and pages, no lines.
    std::unique_ptr<KaraokeSong> Copy() const;
    // A copy of the whole song that shares nothing with it: settings, strings, pages, lines with
    // their words, and the music as counted. It has no prompt and no hooks, so that another
    // thread may work on it (an export) while this song changes on.
    std::unique_ptr<KaraokeSong> DeepCopy() const;
    // Takes the settings of a working copy back (settings dialog OK).
    void AssignSettings(const KaraokeSong& other);

    // Pages.
    void AddPage(const IMAGE_STRUCT& page);
    IMAGE_STRUCT* FindPage(int32_t kind);
    const IMAGE_STRUCT* FindPage(int32_t kind) const;
    IMAGE_STRUCT* PageAt(size_t index);
    const IMAGE_STRUCT* PageAt(size_t index) const;
    size_t PageCount() const { return pages.size(); }
    void ClearPages() { pages.clear(); }

    // Lines.
    size_t LineCount() const { return lines.size(); }
    MKaraokeLine* LineAt(size_t index);
    const MKaraokeLine* LineAt(size_t index) const;
    int LowestPageNumber() const;
    int HighestPageNumber() const;
    // Frees every line and word element.
    void ClearLines();
    // Appends a new empty line / a new word element of a line (used by the loaders).
    MKaraokeLine& AppendLine();
    MKaraokeWord& AppendWord(MKaraokeLine& line);

    // Rebuilds the line list from the lyric text (markup, duet marks, timing carried over).
    // The song logs and tells nothing: callers that rebuild or renumber tell the log
    // (MLineListLog). True when the lyrics mark duet lines ("&") in a song for one singer: the
    // marks are dropped, and the caller says so (kMsgDuetMarksInSoloSong).
    bool GenerateKaraokeLineList(bool keepTiming, bool finalText);
    // Gives every line its page number and slot.
    void CalcLineAndPageNumbers();

    void SetLinesPerPage(int32_t lines);
    void SetSingerDescription(int index, const std::string& text);
    bool LyricsPlaced() const;

    // Music.
    //
    // Attaches music: stores the path and counts the music.
    // workPath is the 44,100 Hz PCM WAV decoded from the music; empty when the music is such a
    // WAV itself.
    void SetMusicPath(const std::string& path, const std::string& workPath = {});
    // Plays from what the music import made of musicPath (workPath: the decoded work file, or the
    // WAV itself where it now lies; empty: musicPath) and counts it.
    bool UseMusicWorkFile(const std::string& workPath);
    // The WAV file the song plays: the work path, or the music path itself.
    const std::string& MusicWorkPath() const { return musicWorkPath.empty() ? musicPath : musicWorkPath; }
    // Counts the sample data bytes of the work file into musicDataBytes and the bytes of its
    // sample frames into musicFrameBytes. A work file that cannot be read as 8/16-bit PCM
    // leaves the music uncounted (0) and returns false.
    bool CountMusic();
    // No counted music.
    void ClearMusicCount();
    // The music's length for the player: musicDataBytes, or UINT32_MAX (the file as it is)
    // while the music is not counted. (A stream that runs past the music's end is played
    // against the longer length the stream writer gives with it.)
    uint32_t MusicPlayBytes() const { return musicDataBytes > 0 ? musicDataBytes : UINT32_MAX; }
    // The music's length in sample frames at 44,100 Hz (musicDataBytes counts the file's own
    // bytes, and a mono or 8-bit WAV used where it lies has fewer than 4 a frame).
    uint32_t MusicFrames() const { return musicDataBytes / musicFrameBytes; }

    // The project file (.tvx) at the project path is written and read by SaveProject and
    // LoadProject (project/ProjectFile.h).

    // Set by the owner: whether the song's player is playing.
    std::function<bool()> isPlaying;

    // Owned so that a const song gives only const lines, words and pages.
    std::vector<Owned<MKaraokeLine>> lines;
    std::vector<Owned<MKaraokeWord>> words;
    std::string projectPath;
    SettingsBlock settings;
    SingerGuidance guidance;
    std::string lyricText;
    std::string musicPath;
    // Not stored: the decoded work file of a music file that is not a PCM WAV itself.
    std::string musicWorkPath;
    std::vector<Owned<IMAGE_STRUCT>> pages;
    // Not stored: the sample data bytes the work file holds (0 while not counted).
    uint32_t musicDataBytes = 0;
    // Bytes a sample frame of the music's file takes (1 to 4; 4 for the decoded work file).
    uint32_t musicFrameBytes = kCdFrameBytes;
    int32_t eraseLinesFromBottom = 0;
    uint32_t sweepEntireWord = 0;
    std::string artist;
    std::string title;
    std::array<std::string, 3> singerDescriptions;

private:
    void CopySettingsFrom(const KaraokeSong& other);
};
