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
// (NAME.wav); "" when making it failed (the test has failed too).
std::string MakeTimedSong(const TempDir& dir, const std::string& name, const std::string& lrc, int seconds);

// The project's whole stream as `tessavox-cli stream` writes it to NAME.cdg beside it; "" on failure.
std::string StreamOf(const std::string& project);

// The screen (300 x 216, border included) after `render --at seconds`; 0 x 0 when it failed.
RgbImage RenderAt(const std::string& stream, double seconds, const std::string& png);

// The rows of lyric slot `slot` of `slots` on the screen's 288 x 192 drawing area.
RgbImage SlotBand(const RgbImage& screen, int slots, int slot);
