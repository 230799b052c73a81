#include "cli/StderrUserPrompt.h"

#include "cli/CliConsole.h"

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

void StderrUserPrompt::Write(const std::string& text, PromptIcon icon, const char* answer)
{
    // The caption is always the program's name, which says nothing on a terminal.
    std::string line = m_command.empty() ? IconPrefix(icon)
                                          : "tessavox-cli " + m_command + ": " + (m_subject.empty() ? "" : m_subject + ": ");
    line += text;
    if (text.empty() || text.back() != '\n') line += '\n';
    if (answer) line += std::string("(answered ") + answer + ")\n";
    CliConsole::Note(m_out, line);
    ++m_shown;
}

void StderrUserPrompt::Message(const std::string& text, const std::string&, PromptIcon icon)
{
    Write(text, icon, nullptr);
}

PromptAnswer StderrUserPrompt::Ask(const std::string& text, const std::string&, PromptButtons buttons,
                                   PromptIcon icon)
{
    const PromptAnswer answer = ChooseAnswer(buttons, m_assumeYes);
    Write(text, icon, AnswerName(answer));
    return answer;
}
