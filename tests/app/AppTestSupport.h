#pragma once
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "app/FileChooser.h"
#include "app/QtUserPrompt.h"

// Answers the program's message boxes and file choosers in tests, and remembers what they were.
class Answers {
public:
    Answers();
    ~Answers();

    // Message boxes: questions get the next queued answer (Yes when the queue is empty).
    std::vector<QtUserPrompt::Box> boxes;
    std::vector<PromptAnswer> answers;
    // Notices with a "don't show again" box: each gets the next queued tick (unticked when empty).
    std::vector<bool> ticks;
    // File choosers: each gets the next queued path ("" cancels).
    std::vector<FileChoice> choices;
    QStringList paths;

    bool Asked(const std::string& caption) const;
};
