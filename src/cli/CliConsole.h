#pragma once
#include <cstdio>
#include <string>
#include <vector>

// How much the command line says, chosen once with -q/--quiet or -v/--verbose, and the one
// progress line it may show on standard error. Whatever is printed while a progress line shows
// ends that line first, so that no result or message starts after a percentage.
//
//   quiet    nothing on success but what the command is asked for (a report, a stream on
//            standard output); notes and warnings are held back, and said after all when the
//            command fails, before why
//   normal   results, notes and warnings; progress on a terminal
//   verbose  also progress where no one watches it (a pipe, a log), one line every tenth, and
//            how long the command took
class CliConsole {
public:
    enum class Level { Quiet, Normal, Verbose };

    // Takes -q/--quiet and -v/--verbose out of args (those before a "--"); the last one given
    // sets the level.
    static void TakeLevelOptions(std::vector<std::string>& args);
    static void SetLevel(Level level) { s_level = level; }
    static Level CurrentLevel() { return s_level; }
    static bool Quiet() { return s_level == Level::Quiet; }
    static bool Verbose() { return s_level == Level::Verbose; }

    // A result (standard output: left out when quiet) or a note (standard error: held back when
    // quiet).
    static void Say(std::FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
    static void Note(std::FILE* out, const std::string& text);
    // An error on standard error, at every level, after any note held back.
    static void Error(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Says the notes held back (the command failed after all).
    static void SayHeldNotes();
    // Only when verbose, on standard error.
    static void Detail(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Ends a progress line that shows (a line feed after it); the next percentage starts a new one.
    static void EndProgress();

private:
    friend class ProgressLine;
    static Level s_level;
    static bool s_progressShowing;
    static std::string s_held;
};
