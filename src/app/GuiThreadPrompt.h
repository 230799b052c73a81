#pragma once
#include "text/UserPrompt.h"

class QObject;

// Hands the engine's messages to the window thread: work running on a worker thread may tell
// the user something, but only the window thread may show a message box. The caller waits
// for the answer; the window thread must be turning its event loop meanwhile.
class GuiThreadPrompt : public UserPrompt {
public:
    // context: an object living on the window thread.
    GuiThreadPrompt(UserPrompt& target, QObject* context) : m_target(target), m_context(context) {}

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;
    bool MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                          const std::string& checkLabel) override;

private:
    template <typename F>
    void OnWindowThread(F&& call);

    UserPrompt& m_target;
    QObject* m_context;
};
