#include "support/PromptRecorder.h"

void PromptRecorder::Message(const std::string& text, const std::string& caption, PromptIcon icon)
{
    entries.push_back({text, caption, icon, false});
}

PromptAnswer PromptRecorder::Ask(const std::string& text, const std::string& caption, PromptButtons, PromptIcon icon)
{
    entries.push_back({text, caption, icon, true});
    return answer;
}
