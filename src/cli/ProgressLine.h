#pragma once

// A progress line on stderr ("what  42%"), only where a person watches it (a terminal).
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
    bool m_show;
    int m_last = -1;
};
