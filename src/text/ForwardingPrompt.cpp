#include "text/ForwardingPrompt.h"

void ForwardingPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon)
{
    m_last = text;
    PromptOrSilent(m_target).Message(text, caption, icon);
}

PromptAnswer ForwardingPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                                   PromptIcon icon)
{
    return PromptOrSilent(m_target).Ask(text, caption, buttons, icon);
}

bool ForwardingPrompt::MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                                        const std::string& checkLabel)
{
    m_last = text;
    return PromptOrSilent(m_target).MessageWithCheck(text, caption, icon, checkLabel);
}
