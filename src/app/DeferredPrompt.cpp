#include "app/DeferredPrompt.h"

#include <utility>

void DeferredPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_said.push_back({text, caption, icon});
}

PromptAnswer DeferredPrompt::Ask(const std::string&, const std::string&, PromptButtons buttons, PromptIcon)
{
    if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
    return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
}

void DeferredPrompt::ShowOn(UserPrompt& target)
{
    std::vector<Said> said;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        said.swap(m_said);
    }
    for (const Said& s : said) target.Message(s.text, s.caption, s.icon);
}
