#include "cli/StderrUserPrompt.h"

namespace {

const char* IconPrefix(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Warning:
        return "warning: ";
    case PromptIcon::Stop:
        return "error: ";
    case PromptIcon::None:
    case PromptIcon::Information:
    case PromptIcon::Question:
        break;
    }
    return "";
}

const char* AnswerName(PromptAnswer answer)
{
    switch (answer) {
    case PromptAnswer::Ok:
        return "OK";
    case PromptAnswer::Cancel:
        return "Cancel";
    case PromptAnswer::Yes:
        return "Yes";
    case PromptAnswer::No:
        return "No";
    }
    return "?";
}

PromptAnswer ChooseAnswer(PromptButtons buttons, bool assumeYes)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
        return assumeYes ? PromptAnswer::Ok : PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return assumeYes ? PromptAnswer::Yes : PromptAnswer::No;
    case PromptButtons::YesNoCancel:
        // Cancel rather than No: No usually means "go on without saving".
        return assumeYes ? PromptAnswer::Yes : PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

} // namespace

StderrUserPrompt::StderrUserPrompt(bool assumeYes, std::FILE* out) : m_assumeYes(assumeYes), m_out(out) {}

void StderrUserPrompt::Write(const std::string& text, PromptIcon icon)
{
    // The caption is always the program's name, which says nothing on a terminal.
    if (m_command.empty())
        std::fputs(IconPrefix(icon), m_out);
    else
        std::fprintf(m_out, "tessavox-cli %s: %s", m_command.c_str(), m_subject.empty() ? "" : (m_subject + ": ").c_str());
    std::fwrite(text.data(), 1, text.size(), m_out);
    if (text.empty() || text.back() != '\n') std::fputc('\n', m_out);
    ++m_shown;
}

void StderrUserPrompt::Message(const std::string& text, const std::string&, PromptIcon icon)
{
    Write(text, icon);
    std::fflush(m_out);
}

PromptAnswer StderrUserPrompt::Ask(const std::string& text, const std::string&, PromptButtons buttons,
                                   PromptIcon icon)
{
    const PromptAnswer answer = ChooseAnswer(buttons, m_assumeYes);
    Write(text, icon);
    std::fprintf(m_out, "(answered %s)\n", AnswerName(answer));
    std::fflush(m_out);
    return answer;
}
