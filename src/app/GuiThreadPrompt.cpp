#include "app/GuiThreadPrompt.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

template <typename F>
void GuiThreadPrompt::OnWindowThread(F&& call)
{
    if (QThread::currentThread() == m_context->thread()) call();
    else QMetaObject::invokeMethod(m_context, std::forward<F>(call), Qt::BlockingQueuedConnection);
}

void GuiThreadPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon)
{
    OnWindowThread([&] { m_target.Message(text, caption, icon); });
}

PromptAnswer GuiThreadPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                                  PromptIcon icon)
{
    PromptAnswer answer = PromptAnswer::Cancel;
    OnWindowThread([&] { answer = m_target.Ask(text, caption, buttons, icon); });
    return answer;
}

bool GuiThreadPrompt::MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                                       const std::string& checkLabel)
{
    bool ticked = false;
    OnWindowThread([&] { ticked = m_target.MessageWithCheck(text, caption, icon, checkLabel); });
    return ticked;
}
