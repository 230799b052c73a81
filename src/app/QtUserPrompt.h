#pragma once
#include <functional>
#include <string>

#include "text/UserPrompt.h"

class QWidget;

// The engine's and the shell's messages as message boxes. Tests install an answerer that sees
// every box instead of showing it.
class QtUserPrompt : public UserPrompt {
public:
    struct Box {
        std::string text;
        std::string caption;
        PromptIcon icon;
        PromptButtons buttons;
        bool question;
        std::string checkLabel; // a notice with a "don't show again" box; empty otherwise
    };
    // For a notice with a check box, the answerer's Yes means the box was ticked.
    using Answerer = std::function<PromptAnswer(const Box&)>;

    explicit QtUserPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;
    bool MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                          const std::string& checkLabel) override;

    static void SetAnswererForTesting(Answerer answerer);
    // Once the program has been told to stop by a signal, nobody is there to answer: notices
    // are dropped and questions get Cancel without a box.
    static void SetClosingDown(bool closingDown);
    static bool ClosingDown();

private:
    QWidget* m_parent;
};
