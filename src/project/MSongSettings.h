#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "project/ImageStruct.h"
#include "project/MKaraokeLine.h"
#include "project/MKaraokeWord.h"
#include "project/SettingsBlock.h"

class UserPrompt;

// Everything that belongs to the open song: settings, pages, lyric text and its line list,
// singer descriptions, artist and title, and the CD+G stream buffer.
class MSongSettings {
public:
    explicit MSongSettings(std::string projectPath = {});
    virtual ~MSongSettings();
    MSongSettings(const MSongSettings&) = delete;
    MSongSettings& operator=(const MSongSettings&) = delete;

    // Settings block, music path, lyric text and the three default pages of a new song.
    void RestoreDefaults();
    // A working copy for the settings dialog: settings, strings and pages, no lines, no buffer.
    std::unique_ptr<MSongSettings> Copy() const;
    // Takes the settings of a working copy back (settings dialog OK).
    void AssignSettings(const MSongSettings& other);

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
    void GenerateKaraokeLineList(bool keepTiming, bool finalText);
    // Gives every line its page number and slot.
    void CalcLineAndPageNumbers();

    void SetLinesPerPage(int32_t lines);
    void SetSingerDescription(int index, const std::string& text);
    void SetModified(bool modified);
    bool IsModified() const { return modified != 0; }
    bool LyricsPlaced() const;

    // Project file (.tvx) at the project path.
    bool Save();
    bool Load();

    // Hooks set by the owner: who hears messages, who refreshes the caption on a modified
    // change, and whether the song's player is playing.
    UserPrompt* prompt = nullptr;
    std::function<void()> onModifiedChanged;
    std::function<bool()> isPlaying;

    std::vector<std::unique_ptr<MKaraokeLine>> lines;
    std::vector<std::unique_ptr<MKaraokeWord>> words;
    std::string projectPath;
    uint8_t modified = 0;
    SettingsBlock settings;
    std::string lyricText;
    std::string musicPath;
    std::vector<std::unique_ptr<IMAGE_STRUCT>> pages;
    std::vector<uint8_t> streamBuffer;
    uint32_t musicDataBytes = 0;
    uint32_t firstMusicDataBytes = 0;
    int32_t eraseLinesFromBottom = 0;
    uint32_t sweepEntireWord = 0;
    std::string artist;
    std::string title;
    std::array<std::string, 3> singerDescriptions;

private:
    void CopySettingsFrom(const MSongSettings& other);
};
