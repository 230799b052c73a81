#include "AppTestSupport.h"

Answers::Answers()
{
    QtUserPrompt::SetAnswererForTesting([this](const QtUserPrompt::Box& box) {
        boxes.push_back(box);
        if (!box.checkLabel.empty()) {
            const bool tick = !ticks.empty() && ticks.front();
            if (!ticks.empty()) ticks.erase(ticks.begin());
            return tick ? PromptAnswer::Yes : PromptAnswer::No;
        }
        if (!box.question) return PromptAnswer::Ok;
        if (answers.empty()) return PromptAnswer::Yes;
        const PromptAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    });
    FileChooser::SetAnswererForTesting([this](FileChoice& choice) {
        choices.push_back(choice);
        if (paths.isEmpty()) return QString();
        return paths.takeFirst();
    });
}

Answers::~Answers()
{
    QtUserPrompt::SetAnswererForTesting(nullptr);
    FileChooser::SetAnswererForTesting(nullptr);
}

bool Answers::Asked(const std::string& caption) const
{
    for (const auto& b : boxes)
        if (b.caption == caption) return true;
    return false;
}
