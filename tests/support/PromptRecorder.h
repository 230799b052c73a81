#pragma once
#include <string>
#include <vector>

#include "text/UserPrompt.h"

// Records every message and question; questions get a preset answer.
class PromptRecorder : public UserPrompt {
public:
    struct Entry {
        std::string text;
        std::string caption;
        PromptIcon icon;
        bool question;
    };

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

    PromptAnswer answer = PromptAnswer::Ok;
    std::vector<Entry> entries;
};
