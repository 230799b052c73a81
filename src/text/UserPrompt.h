#pragma once
#include <string>

// How the engine talks to the user. The engine never opens a window: the GUI answers with
// message boxes, the CLI with stderr, tests with a recorder.
enum class PromptIcon { None, Information, Warning, Question, Stop };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };

enum class PromptAnswer { Ok, Cancel, Yes, No };

class UserPrompt {
public:
    virtual ~UserPrompt();
    virtual void Message(const std::string& text, const std::string& caption, PromptIcon icon) = 0;
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                             PromptIcon icon) = 0;
    // A notice with a check box under it (such as "&Don't show me this again."); returns whether
    // the box was ticked. A prompt that has no check box shows the plain message and returns false.
    virtual bool MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                                  const std::string& checkLabel);
};

// Says nothing and answers every question with its first button. Used where no one is listening.
class SilentUserPrompt : public UserPrompt {
public:
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;
};

// The prompt to use when a caller gave none.
UserPrompt& PromptOrSilent(UserPrompt* prompt);

// The caption the system's own message boxes carry.
inline constexpr const char* kAppCaption = "Tessavox";
