#pragma once
#include <string>
#include <vector>

#include "player/RgbImage.h"
#include "support/TempDir.h"

// One lyric line in each script the screen draws, named after its language.
struct ScriptLine {
    std::string language;
    std::string text;
};
const std::vector<ScriptLine>& EveryScriptLine();

// The line with every character but the spaces replaced by "?": what a screen that cannot draw
// the script would show at best.
std::string QuestionMarks(const std::string& line);

// A new project NAME.tvx in dir, timed by the LRC text, on a sine tune of `seconds` seconds
// (NAME.wav), made with `new` and these further options; "" when making it failed (the test has
// failed too).
std::string MakeTimedSong(const TempDir& dir, const std::string& name, const std::string& lrc, int seconds,
                          const std::vector<std::string>& newOptions = {});

// A song with gaps for the singer guidance, on a tune of kGapSongSeconds: its first line after a
// 6 s intro, the second a second after the first ends, the third 12 s after the second ends.
inline constexpr const char* kGapSongLrc =
    "[00:06.00]<00:06.00>Twinkle <00:06.50>twinkle <00:07.00>little <00:07.50>star<00:08.00>\n"
    "[00:09.00]<00:09.00>How <00:09.50>I <00:10.00>wonder <00:10.50>what<00:11.00>\n"
    "[00:23.00]<00:23.00>Up <00:23.50>above <00:24.00>the <00:24.50>world<00:25.00>\n";
inline constexpr int kGapSongSeconds = 30;

// The packet of a stream written from the project at which the sweep of line `line`'s first word
// begins: its start on the stream's timeline (lead-in and sweep advance) in packets.
size_t FirstSweepPacket(const std::string& project, size_t line);

// The project's whole stream as `tessavox-cli stream` writes it to NAME.cdg beside it; "" on failure.
std::string StreamOf(const std::string& project);

// The screen (300 x 216, border included) after `render --at seconds`; 0 x 0 when it failed.
RgbImage RenderAt(const std::string& stream, double seconds, const std::string& png);

// The rows of lyric slot `slot` of `slots` on the screen's 288 x 192 drawing area.
RgbImage SlotBand(const RgbImage& screen, int slots, int slot);
