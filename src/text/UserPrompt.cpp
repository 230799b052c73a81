#include "text/UserPrompt.h"

UserPrompt::~UserPrompt() = default;

bool UserPrompt::MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                                  const std::string&)
{
    Message(text, caption, icon);
    return false;
}

void SilentUserPrompt::Message(const std::string&, const std::string&, PromptIcon) {}

PromptAnswer SilentUserPrompt::Ask(const std::string&, const std::string&, PromptButtons buttons, PromptIcon)
{
    switch (buttons) {
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Yes;
    }
    return PromptAnswer::Ok;
}

UserPrompt& PromptOrSilent(UserPrompt* prompt)
{
    static SilentUserPrompt silent;
    return prompt ? *prompt : silent;
}
