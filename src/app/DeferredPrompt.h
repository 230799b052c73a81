#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "text/UserPrompt.h"

// The prompt of work on a worker thread (an export): what it says is kept, and the window
// thread shows it once the work has ended, in the order it was said. Nothing of the work
// waits for the user meanwhile; a question, which no export asks, is answered with Cancel (No
// where there is no Cancel, Ok where Ok is all).
class DeferredPrompt : public UserPrompt {
public:
    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

    // Shows what was said through target, and forgets it. Window thread, after the work.
    void ShowOn(UserPrompt& target);

private:
    struct Said {
        std::string text;
        std::string caption;
        PromptIcon icon;
    };
    std::mutex m_mutex;
    std::vector<Said> m_said;
};
