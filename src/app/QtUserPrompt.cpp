#include "app/QtUserPrompt.h"

#include <QCheckBox>
#include <QMessageBox>

#include "app/QtText.h"
#include "app/ViewReport.h"

namespace {

QtUserPrompt::Answerer& TestAnswerer()
{
    static QtUserPrompt::Answerer answerer;
    return answerer;
}

QMessageBox::Icon IconOf(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Stop: return QMessageBox::Critical;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok: return QMessageBox::Ok;
    case PromptButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

bool g_closingDown = false;

// A script reads the box from the view report: its caption and its text on one line.
void ReportBox(const std::string& caption, const std::string& text)
{
    AppendViewReport(QString("box %1: %2\n").arg(QtText(caption), QtText(text).replace('\n', "\\n")));
}

} // namespace

void QtUserPrompt::SetClosingDown(bool closingDown)
{
    g_closingDown = closingDown;
}

bool QtUserPrompt::ClosingDown()
{
    return g_closingDown;
}

void QtUserPrompt::SetAnswererForTesting(Answerer answerer)
{
    TestAnswerer() = std::move(answerer);
}

void QtUserPrompt::Message(const std::string& text, const std::string& caption, PromptIcon icon)
{
    if (g_closingDown) return;
    if (TestAnswerer()) {
        TestAnswerer()({text, caption, icon, PromptButtons::Ok, false, {}});
        return;
    }
    QMessageBox box(IconOf(icon), QtText(caption), QtText(text), QMessageBox::Ok, m_parent);
    ReportBox(caption, text);
    box.exec();
}

PromptAnswer QtUserPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                               PromptIcon icon)
{
    if (g_closingDown) return PromptAnswer::Cancel;
    if (TestAnswerer()) return TestAnswerer()({text, caption, icon, buttons, true, {}});
    QMessageBox box(IconOf(icon), QtText(caption), QtText(text), ButtonsOf(buttons), m_parent);
    ReportBox(caption, text);
    const int answer = box.exec();
    // A box that a signal closed was not answered.
    if (g_closingDown) return PromptAnswer::Cancel;
    switch (answer) {
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Cancel: return PromptAnswer::Cancel;
    default: return PromptAnswer::Ok;
    }
}

bool QtUserPrompt::MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                                    const std::string& checkLabel)
{
    if (g_closingDown) return false;
    if (TestAnswerer())
        return TestAnswerer()({text, caption, icon, PromptButtons::Ok, false, checkLabel}) == PromptAnswer::Yes;
    QMessageBox box(IconOf(icon), QtText(caption), QtText(text), QMessageBox::Ok, m_parent);
    auto* check = new QCheckBox(QtText(checkLabel), &box);
    box.setCheckBox(check);
    ReportBox(caption, text);
    box.exec();
    return check->isChecked();
}
