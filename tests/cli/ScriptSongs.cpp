#include "cli/ScriptSongs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "cdg/CdgFormat.h"
#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "project/SweepAdvance.h"
#include "cli/RenderCliRunner.h"
#include "text/Utf8.h"

const std::vector<ScriptLine>& EveryScriptLine()
{
    static const std::vector<ScriptLine> lines = {
        {"japanese", "\u3055\u304f\u3089 \u3055\u304f\u3089"},
        {"chinese", "\u6708\u4eae\u4ee3\u8868\u6211\u7684\u5fc3"},
        {"korean", "\uc544\ub9ac\ub791 \uc544\ub9ac\ub791"},
        {"russian", "\u041a\u0430\u043b\u0438\u043d\u043a\u0430 \u043c\u0430\u043b\u0438\u043d\u043a\u0430"},
        {"greek", "\u03a3\u03b1\u03bd \u03c4\u03bf \u03bd\u03b5\u03c1\u03cc"},
        {"hebrew", "\u05d4\u05d1\u05d4 \u05e0\u05d2\u05d9\u05dc\u05d4"},
        {"arabic", "\u064a\u0627 \u0644\u064a\u0644 \u064a\u0627 \u0639\u064a\u0646"},
        {"hindi", "\u092e\u0947\u0930\u093e \u092a\u094d\u092f\u093e\u0930 \u0915\u093f\u0924\u093e\u092c"},
        {"thai", "\u0e0a\u0e49\u0e32\u0e07 \u0e0a\u0e49\u0e32\u0e07"},
    };
    return lines;
}

std::string QuestionMarks(const std::string& line)
{
    std::string out;
    for (size_t i = 0; i < line.size();) {
        char32_t cp = 0;
        i += NextCodePoint(line, i, cp);
        out += cp == ' ' ? ' ' : '?';
    }
    return out;
}

std::string MakeTimedSong(const TempDir& dir, const std::string& name, const std::string& lrc, int seconds,
                          const std::vector<std::string>& newOptions)
{
    const std::string wav = dir.File(name + ".wav");
    const CliResult tune =
        RunProgram("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=330:duration=" + std::to_string(seconds),
                              "-ac", "2", "-ar", "44100", "-y", wav});
    EXPECT_EQ(tune.status, 0) << tune.Output();
    const std::string words = dir.File(name + ".lrc");
    WriteFileBytes(words, std::vector<uint8_t>(lrc.begin(), lrc.end()));
    const std::string project = dir.File(name + ".tvx");
    std::vector<std::string> args = {"new", "-o", project, "--music", wav, "--lyrics", words};
    args.insert(args.end(), newOptions.begin(), newOptions.end());
    const CliResult made = RunCli(args);
    EXPECT_EQ(made.status, 0) << made.Output();
    return tune.status == 0 && made.status == 0 ? project : std::string();
}

std::string StreamOf(const std::string& project)
{
    const std::string stream = std::filesystem::path(project).replace_extension(".cdg").string();
    const CliResult run = RunCli({"stream", project, "-o", stream, "--force"});
    EXPECT_EQ(run.status, 0) << run.Output();
    return run.status == 0 ? stream : std::string();
}

RgbImage RenderAt(const std::string& stream, double seconds, const std::string& png)
{
    char at[32];
    std::snprintf(at, sizeof at, "%.3f", seconds);
    const CliResult run = RunCli({"render", stream, "--at", at, "-o", png, "--force"});
    EXPECT_EQ(run.status, 0) << run.Output();
    return run.status == 0 ? LoadPng(png) : RgbImage{};
}

RgbImage SlotBand(const RgbImage& screen, int slots, int slot)
{
    const int height = kCdgContentHeight / slots;
    RgbImage band(kCdgContentWidth, height);
    if (screen.width != kCdgScreenWidth || screen.height != kCdgScreenHeight) return RgbImage{};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < kCdgContentWidth; ++x)
            band.SetColour(x, y, screen.ColourAt(x + kCdgVisibleLeft, y + kCdgVisibleTop + slot * height));
    return band;
}

size_t FirstSweepPacket(const std::string& project, size_t line)
{
    KaraokeSong song;
    EXPECT_TRUE(LoadProject(song, project));
    if (line >= song.LineCount() || song.lines[line]->words.empty()) {
        ADD_FAILURE() << "the project has no line " << line;
        return 0;
    }
    const int64_t shift =
        int64_t(WriteRwMemory(song).leadIn) + SweepAdvance::FromStored(song.settings.advanceSweep).ShiftFrames();
    return size_t((int64_t(song.lines[line]->words.front()->start) + shift) / int64_t(kCdgSampleFramesPerPacket));
}
