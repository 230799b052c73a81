#pragma once
#include <cstdio>
#include <string>

#include "text/UserPrompt.h"

// The command line's answer to the engine's messages: each text goes to stderr on lines of its
// own. A batch run never waits for a person, so a question is printed together with the answer
// it was given: the first button when the caller said yes in advance, otherwise the cautious one.
class StderrUserPrompt : public UserPrompt {
public:
    explicit StderrUserPrompt(bool assumeYes = false, std::FILE* out = stderr);

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

    // Once a command is named, every text reads "tessavox-cli COMMAND: SUBJECT: text", the
    // subject being the file the command is working on (none: no subject part).
    void SetCommand(const std::string& command) { m_command = command; }
    void SetSubject(const std::string& subject) { m_subject = subject; }

    // How many messages and questions were shown, so that a command knows whether the user
    // has already been told why something failed.
    int ShownCount() const { return m_shown; }

private:
    void Write(const std::string& text, PromptIcon icon, const char* answer);

    std::string m_command;
    std::string m_subject;
    bool m_assumeYes;
    std::FILE* m_out;
    int m_shown = 0;
};
