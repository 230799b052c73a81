#pragma once

// A progress line on standard error ("what  42%"): redrawn in place where a person watches it
// (a terminal), one line every tenth when verbose elsewhere, never when quiet. Anything the
// command line prints meanwhile ends the line first (CliConsole); so does the end of the work.
class ProgressLine {
public:
    explicit ProgressLine(const char* what);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows the percentage; always lets the work go on.
    bool operator()(int percent);

private:
    const char* m_what;
    bool m_terminal;
    int m_last = -1;
};
