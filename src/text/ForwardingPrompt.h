#pragma once
#include <string>

#include "text/UserPrompt.h"

// Passes every message and question on to another prompt (or to none: then it says nothing and
// answers with the first button) and keeps the last message it passed, so that work which tells
// the user why it failed can also return that reason.
class ForwardingPrompt : public UserPrompt {
public:
    explicit ForwardingPrompt(UserPrompt* target) : m_target(target) {}

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;
    bool MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                          const std::string& checkLabel) override;

    // The last message passed on; empty when none was.
    const std::string& LastMessage() const { return m_last; }

private:
    UserPrompt* m_target;
    std::string m_last;
};
