#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/WorkOutcome.h"

class ByteReader;
class ByteWriter;
class KaraokeSong;
struct IMAGE_STRUCT;
struct MKaraokeWord;

// The .tvx project file: 400 to 800 read. A song whose every string has a Windows-1252 form is
// written as version 600, its strings in Windows-1252 (what every earlier program reads); any other
// song as version 700, the same layout with UTF-8 strings. A song with singer guidance on is
// written as version 800: 700's layout followed by the guidance settings, which a program that
// reads only up to 700 refuses as newer. Inside the program text is UTF-8.
inline constexpr int32_t kOldestProjectVersion = 400;
inline constexpr int32_t kUnicodeProjectVersion = 700;
inline constexpr int32_t kGuidanceProjectVersion = 800;
inline constexpr size_t kPageImageBytes = 249172;
inline constexpr size_t kWordElementBytes = 40;

inline constexpr const char* kProjectFilter = "Tessavox Projects (*.tvx)";
inline constexpr const char* kMsgCannotOpenProject = "Cannot open the project file.";
inline constexpr const char* kMsgProjectCorrupted = "The project file has been corrupted.";
inline constexpr const char* kMsgNotAProject = "The file is not a Tessavox project file.";
inline constexpr const char* kMsgProjectEndsEarly =
    "The project file ends before all of its pages and lines could be read; it is truncated or damaged.";
inline constexpr const char* kMsgProjectTooNew =
    "The project file is from a newer version of Tessavox.\nIt cannot be opened by this version.";
inline constexpr const char* kMsgProjectTooOld =
    "The project file is from an old version of Tessavox.\nIt cannot be migrated to the current version.";
// printf form: the project's path and the system's reason.
inline constexpr const char* kMsgProjectSaveFailedFormat =
    "The project could not be saved to \"%s\":\n%s.\n\nAny earlier file of that name was left as it was.";
// Said once, on the first save of a song in the newer format.
inline constexpr const char* kMsgProjectNowUnicode =
    "This song has characters that only this version of Tessavox can keep.\nIts project is saved in a newer "
    "format, which earlier versions of Tessavox cannot open.";
inline constexpr const char* kMsgProjectException =
    "Error opening Project file:\n\n%s\n\nThe file most likely has been corrupted.";

// Whether the song is written as version 700: some string of it has no Windows-1252 form.
bool NeedsUnicodeProject(const KaraokeSong& song);
// The version word the song is written with: 600, 700 or 800.
int32_t ProjectVersionFor(const KaraokeSong& song);

// The whole file as it is saved; without the music's path when told (the song's history
// leaves the music out).
std::vector<uint8_t> SerializeProject(const KaraokeSong& song, bool withMusicPath = true);

// Writes the project to its path (a new file renamed over the old one). Fails, saying why, when
// the file cannot be written; the old file is then untouched.
WorkOutcome SaveProject(const KaraokeSong& song);

// Loads the project at the song's path, or at path, which the song then takes. A failure says
// why in the words the user is shown (the same text whoever opened the file) and leaves the song
// unchanged.
WorkOutcome LoadProject(KaraokeSong& song);
WorkOutcome LoadProject(KaraokeSong& song, const std::string& path);
WorkOutcome LoadProjectBytes(KaraokeSong& song, std::span<const uint8_t> bytes);

// Pieces of the layout shared with the diagnostic log.
// Strings of a page image: the face name of its style, in Windows-1252 when cp1252 is set.
void WritePageImage(ByteWriter& out, const IMAGE_STRUCT& page, bool cp1252 = false);
bool ReadPageImage(ByteReader& in, IMAGE_STRUCT& page);
void WriteWordElement(ByteWriter& out, const MKaraokeWord& word);
